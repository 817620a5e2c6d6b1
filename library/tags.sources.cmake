twk_core_sources(library tags.cpp id3v2.cpp tag_window.cpp)
twk_win_sources(library tag_file.cpp)
