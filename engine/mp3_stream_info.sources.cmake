twk_core_sources(engine mp3_stream_info.cpp mp3_byte_seek.cpp)
