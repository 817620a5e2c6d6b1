twk_core_sources(palette.cpp draw_math.cpp)
