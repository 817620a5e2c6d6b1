twk_core_sources(library tags.cpp id3v2.cpp)
twk_win_sources(library tag_file.cpp)
