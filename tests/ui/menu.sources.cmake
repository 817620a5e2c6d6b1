twk_test(menu_model_test CORE menu_model_test.cpp)
twk_test(context_menu_test WIN context_menu_test.cpp ../support/main_window_host.cpp
         ../support/modal_robot.cpp ../support/player_host.cpp ../support/win_test_support.cpp)
