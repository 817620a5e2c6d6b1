twk_core_sources(base settings.cpp)
twk_win_sources(base settings_file.cpp)
