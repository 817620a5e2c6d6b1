twk_test(podcast_window_test WIN podcast_window_test.cpp ../support/main_window_host.cpp
         ../support/modal_robot.cpp ../support/player_host.cpp ../support/win_test_support.cpp
         ../../ui/resources/add_podcast.rc)
if(TARGET podcast_window_test)
  target_link_libraries(podcast_window_test PRIVATE twk_test_server)
  target_compile_definitions(podcast_window_test PRIVATE
    TWK_UNIX_PODCAST_DATA="${CMAKE_SOURCE_DIR}/tests/data/podcast")
endif()
