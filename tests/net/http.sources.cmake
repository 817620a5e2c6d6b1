twk_test(http_rules_test CORE http_rules_test.cpp)
