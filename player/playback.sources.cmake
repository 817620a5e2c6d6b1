twk_core_sources(player playback_rules.cpp)
twk_win_sources(player player.cpp playback.cpp chapters.cpp open_folder.cpp stations.cpp)
