twk_core_sources(ui cd_menu.cpp menu_model.cpp radio_menu.cpp)
twk_win_sources(ui add_station_dialog.cpp cd_menu_win.cpp context_menu.cpp dialogs.cpp
                radio_commands.cpp url_dialog.cpp)
