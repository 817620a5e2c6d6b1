twk_test(cd_menu_test WIN cd_menu_test.cpp ../support/main_window_host.cpp
         ../support/modal_robot.cpp ../support/player_host.cpp ../support/win_test_support.cpp
         ../support/wine_cd_rom.cpp)
# It defines a CD-ROM letter in Wine's mount manager for a moment; tests that list drives
# must not see it.
if(TEST cd_menu_test)
  set_tests_properties(cd_menu_test PROPERTIES RUN_SERIAL TRUE)
endif()
