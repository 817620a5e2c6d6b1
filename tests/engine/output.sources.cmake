twk_test(audio_output_test WIN audio_output_test.cpp ../support/audio_capture.cpp
         ../support/win_test_support.cpp)
if(TWK_TREE STREQUAL "windows")
  # tools/asoundrc writes what the default device plays into this file. Run alone: with the
  # CPU taken by parallel tests (fuzzers) Wine's audio thread can starve and insert a real
  # dropout into the capture.
  set_tests_properties(audio_output_test PROPERTIES
    ENVIRONMENT "TWK_AUDIO_CAPTURE=${CMAKE_BINARY_DIR}/audio_output_capture.f32"
    RUN_SERIAL TRUE)
endif()
