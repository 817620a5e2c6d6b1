# The dialog comes from the program's resource script, which also gives the test the common
# controls v6 manifest that its link control needs.
twk_test(radio_window_test WIN radio_window_test.cpp ../../ui/resources/tarnwick.rc
         ../support/audio_capture.cpp ../support/main_window_host.cpp ../support/modal_robot.cpp
         ../support/player_host.cpp ../support/win_test_support.cpp)
if(TARGET radio_window_test)
  target_include_directories(radio_window_test PRIVATE "${CMAKE_SOURCE_DIR}/ui/resources")
  target_link_libraries(radio_window_test PRIVATE twk_test_server)
  # tools/asoundrc writes what the default device plays into this file; run alone so that
  # Wine's audio thread is not starved into real dropouts.
  set_tests_properties(radio_window_test PROPERTIES
    ENVIRONMENT "TWK_AUDIO_CAPTURE=${CMAKE_BINARY_DIR}/radio_window_capture.f32"
    RUN_SERIAL TRUE)
endif()
