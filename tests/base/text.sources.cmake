twk_test(text_test CORE text_test.cpp)
