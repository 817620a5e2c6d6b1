twk_core_sources(engine container_text.cpp mp4_parser.cpp asf_parser.cpp)
