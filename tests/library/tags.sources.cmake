twk_test(tags_test CORE tags_test.cpp)
twk_test(tag_window_test CORE tag_window_test.cpp)
twk_test(tag_file_test WIN tag_file_test.cpp ../support/win_test_support.cpp)
