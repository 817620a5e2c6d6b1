twk_test(log_codec_test CORE log_codec_test.cpp)
twk_test(listening_log_test WIN listening_log_test.cpp ../support/win_test_support.cpp)
twk_test(audiobook_test WIN audiobook_test.cpp player_harness.cpp ../support/win_test_support.cpp)
