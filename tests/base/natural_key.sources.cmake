twk_test(natural_key_test CORE natural_key_test.cpp)
