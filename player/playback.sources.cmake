twk_core_sources(playback_rules.cpp)
twk_win_sources(player.cpp playback.cpp open_folder.cpp player_window.cpp)
