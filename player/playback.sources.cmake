twk_core_sources(player playback_rules.cpp)
twk_win_sources(player player.cpp playback.cpp open_folder.cpp player_window.cpp)
