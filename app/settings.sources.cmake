twk_core_sources(settings.cpp)
twk_win_sources(settings_file.cpp code_page_win.cpp)
twk_native_sources(code_page_native.cpp)
