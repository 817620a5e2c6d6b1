twk_test(cd_playback_test WIN cd_playback_test.cpp ../support/audio_capture.cpp
         ../support/cd_disc_image.cpp ../support/player_host.cpp ../support/win_test_support.cpp)
if(TWK_TREE STREQUAL "windows")
  # What the player plays is captured through tools/asoundrc; alone, so that no other test's
  # load starves Wine's audio thread.
  set_tests_properties(cd_playback_test PROPERTIES
    ENVIRONMENT "TWK_AUDIO_CAPTURE=${CMAKE_BINARY_DIR}/cd_playback_capture.f32"
    RUN_SERIAL TRUE)
endif()
