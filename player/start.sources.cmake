twk_core_sources(start_rules.cpp)
twk_win_sources(start.cpp)
