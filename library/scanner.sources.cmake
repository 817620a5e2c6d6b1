twk_core_sources(scan_rules.cpp)
twk_win_sources(scanner.cpp)
