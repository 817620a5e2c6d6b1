twk_test(cd_disc_test CORE disc_test.cpp ../support/cd_disc_image.cpp)
twk_test(cd_track_source_test CORE track_source_test.cpp ../support/cd_disc_image.cpp)
twk_test(cd_drive_test WIN drive_win_test.cpp ../support/win_test_support.cpp
         ../support/wine_cd_rom.cpp)
# It defines a CD-ROM letter in Wine's mount manager for a moment; tests that list drives
# must not see it.
if(TEST cd_drive_test)
  set_tests_properties(cd_drive_test PROPERTIES RUN_SERIAL TRUE)
endif()
