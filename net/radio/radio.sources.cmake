twk_core_sources(adts.cpp icy_demuxer.cpp radio_ring.cpp ring_writer.cpp station_link.cpp
                 stream_reader.cpp stream_titles.cpp stream_type.cpp)
twk_win_sources(aac_decoder.cpp radio_stream.cpp ring_memory_win.cpp station_link_resolver.cpp
                stream_thread.cpp)
twk_native_sources(ring_memory_native.cpp)
