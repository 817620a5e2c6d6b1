twk_test(handoff_test CORE handoff_test.cpp)
