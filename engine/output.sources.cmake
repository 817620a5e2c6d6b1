# The playback device and its data callback (miniaudio's device layer exists only in the
# Windows tree).
twk_win_sources(engine audio_output.cpp)
