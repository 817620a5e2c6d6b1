twk_test(settings_codec_test CORE settings_codec_test.cpp)
twk_test(settings_file_test WIN settings_file_test.cpp ../support/win_test_support.cpp
         ../support/child_process.cpp)
