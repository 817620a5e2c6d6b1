twk_win_sources(player cd_playback.cpp)
