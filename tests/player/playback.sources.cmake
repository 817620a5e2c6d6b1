twk_test(playback_rules_test CORE playback_rules_test.cpp)
twk_test(player_test WIN player_test.cpp ../support/player_host.cpp ../support/win_test_support.cpp)
twk_test(player_streams_test WIN player_streams_test.cpp ../support/audio_capture.cpp ../support/player_host.cpp
         ../support/main_window_host.cpp ../support/win_test_support.cpp)
if(TWK_TREE STREQUAL "windows")
  target_link_libraries(player_streams_test PRIVATE twk_test_server)
  target_compile_definitions(player_streams_test PRIVATE
    TWK_UNIX_AUDIO_DATA="${CMAKE_SOURCE_DIR}/tests/data/audio")
  # tools/asoundrc writes what the default device plays into this file; run alone, as the
  # output test does, so that Wine's audio thread is not starved into a real dropout.
  set_tests_properties(player_streams_test PROPERTIES
    ENVIRONMENT "TWK_AUDIO_CAPTURE=${CMAKE_BINARY_DIR}/player_streams_capture.f32"
    RUN_SERIAL TRUE)
endif()
