twk_test(log_codec_test CORE log_codec_test.cpp)
twk_test(listening_log_test WIN listening_log_test.cpp ../support/win_test_support.cpp)
twk_test(audiobook_test WIN audiobook_test.cpp ../support/player_host.cpp ../support/win_test_support.cpp)

# The real program killed while it plays, then started again. It claims the session's
# single-instance lock and its window class, so it runs alone.
if(TARGET Tarnwick)
  twk_test(crash_restore_test WIN crash_restore_test.cpp ../support/child_process.cpp
           ../support/win_test_support.cpp)
  if(TARGET crash_restore_test)
    add_dependencies(crash_restore_test Tarnwick)
    set_property(TEST crash_restore_test APPEND PROPERTY ENVIRONMENT "TWK_EXE=$<TARGET_FILE:Tarnwick>")
    set_tests_properties(crash_restore_test PROPERTIES RUN_SERIAL TRUE)
  endif()
endif()
