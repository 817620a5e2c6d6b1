twk_test(layout_test CORE layout_test.cpp)
twk_test(main_window_test WIN main_window_test.cpp ../support/main_window_host.cpp
         ../support/modal_robot.cpp ../support/player_host.cpp ../support/child_process.cpp
         ../support/win_test_support.cpp)
