twk_test(playback_rules_test CORE playback_rules_test.cpp)
twk_test(player_test WIN player_test.cpp ../support/player_host.cpp ../support/win_test_support.cpp)
