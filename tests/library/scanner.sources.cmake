twk_test(scan_rules_test CORE scan_rules_test.cpp)
twk_test(scanner_test WIN scanner_test.cpp ../support/message_window.cpp
         ../support/win_test_support.cpp)
