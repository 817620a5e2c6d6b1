twk_win_sources(player podcasts.cpp)
