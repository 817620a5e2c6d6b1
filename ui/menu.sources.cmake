twk_core_sources(ui menu_model.cpp)
twk_win_sources(ui context_menu.cpp dialogs.cpp)
