twk_test(draw_math_test CORE draw_math_test.cpp)
twk_test(drawing_test WIN drawing_test.cpp ../support/win_test_support.cpp)
twk_test(glyph_shapes_test CORE glyph_shapes_test.cpp)
