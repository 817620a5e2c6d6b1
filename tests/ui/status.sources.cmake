twk_test(status_view_test CORE status_view_test.cpp)
