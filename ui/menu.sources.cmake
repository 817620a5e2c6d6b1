twk_core_sources(ui cd_menu.cpp menu_model.cpp)
twk_win_sources(ui cd_menu_win.cpp context_menu.cpp dialogs.cpp)
