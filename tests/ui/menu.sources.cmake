twk_test(menu_model_test CORE menu_model_test.cpp)
