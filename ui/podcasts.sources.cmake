twk_core_sources(ui podcast_menu.cpp)
twk_win_sources(ui podcast_commands.cpp add_podcast_dialog.cpp)
