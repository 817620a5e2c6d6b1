twk_core_sources(track_list.cpp)
