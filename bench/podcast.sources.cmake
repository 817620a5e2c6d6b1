twk_bench(podcast_bench WIN podcast_bench.cpp ../tests/support/main_window_host.cpp
          ../tests/support/modal_robot.cpp ../tests/support/player_host.cpp
          ../tests/support/win_test_support.cpp ../ui/resources/add_podcast.rc)
if(TARGET podcast_bench AND TARGET podcast_feeds)
  add_dependencies(podcast_bench podcast_feeds)
  target_link_libraries(podcast_bench PRIVATE twk_test_server)
  target_compile_definitions(podcast_bench PRIVATE
    TWK_PODCAST_FEEDS="Z:${CMAKE_BINARY_DIR}/podcast-feeds"
    TWK_UNIX_PODCAST_FEEDS="${CMAKE_BINARY_DIR}/podcast-feeds")
endif()
