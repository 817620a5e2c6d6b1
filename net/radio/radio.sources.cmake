twk_core_sources(adts.cpp icy_demuxer.cpp radio_ring.cpp station_link.cpp stream_titles.cpp
                 stream_type.cpp)
twk_win_sources(ring_memory_win.cpp)
twk_native_sources(ring_memory_native.cpp)
