twk_test(smtc_controls_test CORE controls_test.cpp)
twk_test(media_controls_test WIN media_controls_test.cpp ../support/player_host.cpp
         ../support/win_test_support.cpp)
