twk_core_sources(tags.cpp id3v2.cpp tag_window.cpp)
twk_win_sources(codepage_win.cpp tag_file.cpp)
twk_native_sources(codepage_native.cpp)
