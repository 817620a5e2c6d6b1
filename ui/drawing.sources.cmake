twk_core_sources(ui palette.cpp draw_math.cpp glyph_shapes.cpp)
twk_win_sources(ui drawing.cpp scroll_window.cpp subclass.cpp)
