twk_test(mp4_parser_test CORE mp4_parser_test.cpp)
twk_test(asf_parser_test CORE asf_parser_test.cpp)
