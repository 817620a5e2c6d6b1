twk_core_sources(mp3_stream_info.cpp mp3_byte_seek.cpp)
