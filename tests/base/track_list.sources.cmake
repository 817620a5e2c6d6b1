twk_test(track_list_test CORE track_list_test.cpp)
