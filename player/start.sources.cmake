twk_core_sources(player start_rules.cpp)
twk_win_sources(player startup_restore.cpp)
