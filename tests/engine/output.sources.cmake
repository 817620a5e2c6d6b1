twk_test(audio_output_test WIN audio_output_test.cpp)
if(TWK_TREE STREQUAL "windows")
  # tools/asoundrc writes what the default device plays into this file.
  set_tests_properties(audio_output_test PROPERTIES
    ENVIRONMENT "TWK_AUDIO_CAPTURE=${CMAKE_BINARY_DIR}/audio_output_capture.f32")
endif()
