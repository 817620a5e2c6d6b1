twk_core_sources(net adts.cpp icy_demuxer.cpp ring_writer.cpp station_link.cpp stream_reader.cpp
                 stream_titles.cpp stream_type.cpp)
twk_win_sources(net aac_decoder.cpp radio_stream.cpp station_link_resolver.cpp stream_thread.cpp)
