twk_test(podcast_window_test WIN podcast_window_test.cpp ../support/audio_capture.cpp
         ../support/main_window_host.cpp ../support/modal_robot.cpp ../support/player_host.cpp
         ../support/win_test_support.cpp ../../ui/resources/add_podcast.rc)
if(TARGET podcast_window_test)
  target_link_libraries(podcast_window_test PRIVATE twk_test_server)
  # The episode test writes its feed (which names the server's port) into the build tree.
  target_compile_definitions(podcast_window_test PRIVATE
    TWK_UNIX_PODCAST_DATA="${CMAKE_SOURCE_DIR}/tests/data/podcast"
    TWK_UNIX_EPISODE_AUDIO="${CMAKE_SOURCE_DIR}/tests/data/radio"
    TWK_UNIX_EPISODE_FEEDS="${CMAKE_BINARY_DIR}/podcast-window-feeds")
  # tools/asoundrc writes what the default device plays into this file; run alone so that
  # Wine's audio thread is not starved into real dropouts.
  set_tests_properties(podcast_window_test PROPERTIES
    ENVIRONMENT "TWK_AUDIO_CAPTURE=${CMAKE_BINARY_DIR}/podcast_window_capture.f32"
    RUN_SERIAL TRUE)
endif()
