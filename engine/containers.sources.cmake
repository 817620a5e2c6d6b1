twk_core_sources(container_text.cpp mp4_parser.cpp asf_parser.cpp)
