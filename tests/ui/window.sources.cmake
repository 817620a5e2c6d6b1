twk_test(layout_test CORE layout_test.cpp)
