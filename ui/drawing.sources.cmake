twk_core_sources(palette.cpp draw_math.cpp)
twk_win_sources(drawing.cpp scroll_window.cpp subclass.cpp)
