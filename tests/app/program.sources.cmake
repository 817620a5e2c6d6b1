twk_test(command_line_test CORE command_line_test.cpp)
twk_test(handoff_test CORE handoff_test.cpp)
