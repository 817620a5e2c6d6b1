twk_test(command_line_test CORE command_line_test.cpp)

# The real program as a process. It claims the session's single-instance lock and its window
# class, so it runs alone.
if(TARGET Tarnwick)
  twk_test(program_test WIN program_test.cpp ../support/child_process.cpp
           ../support/win_test_support.cpp)
  if(TARGET program_test)
    add_dependencies(program_test Tarnwick)
    set_property(TEST program_test APPEND PROPERTY ENVIRONMENT "TWK_EXE=$<TARGET_FILE:Tarnwick>")
    set_tests_properties(program_test PROPERTIES RUN_SERIAL TRUE)
  endif()
endif()

# Not a benchmark: a helper that tools/screenshots.sh uses to switch the running player's
# modes (built like one, and never run by ctest).
twk_bench(send_command WIN send_command.cpp)
