twk_win_sources(player media_controls.cpp)
