twk_test(start_rules_test CORE start_rules_test.cpp)
twk_test(start_test WIN start_test.cpp ../support/player_host.cpp ../support/win_test_support.cpp)
