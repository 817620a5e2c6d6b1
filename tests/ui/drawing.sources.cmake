twk_test(draw_math_test CORE draw_math_test.cpp)
