twk_test(cd_playback_test WIN cd_playback_test.cpp ../support/cd_disc_image.cpp
         ../support/player_host.cpp ../support/win_test_support.cpp)
