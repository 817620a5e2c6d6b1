twk_core_sources(library scan_rules.cpp)
twk_win_sources(library scanner.cpp)
