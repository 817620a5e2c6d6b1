twk_core_sources(smtc media_state.cpp controls.cpp)
twk_win_sources(smtc runtime_win.cpp platform_win.cpp)
