# tools/run.sh as a user meets it, with a HOME of its own whose ALSA writes the sound to a
# file. It starts the built program (no build of its own) and plays in real time, so it runs
# alone.
if(TWK_TREE STREQUAL "windows" AND TARGET Tarnwick AND TARGET send_command)
  add_test(NAME run_command_test
           COMMAND bash "${TWK_FRAGMENT_DIR}/run_command_test.sh" "${CMAKE_BINARY_DIR}")
  set_tests_properties(run_command_test PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
endif()
