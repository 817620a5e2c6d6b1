twk_core_sources(command_line.cpp handoff.cpp)
twk_win_sources(startup.cpp single_instance.cpp)
