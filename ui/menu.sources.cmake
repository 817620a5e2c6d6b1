twk_core_sources(menu_model.cpp)
twk_win_sources(context_menu.cpp dialogs.cpp)
