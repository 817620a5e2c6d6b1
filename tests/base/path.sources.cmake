twk_test(path_test CORE path_test.cpp)
