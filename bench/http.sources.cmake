twk_bench(range_source_bench WIN range_source_bench.cpp ../tests/support/player_host.cpp
          ../tests/support/win_test_support.cpp)
if(TARGET range_source_bench)
  target_link_libraries(range_source_bench PRIVATE twk_test_server)
  target_compile_definitions(range_source_bench PRIVATE
    TWK_UNIX_AUDIO_DATA="${CMAKE_SOURCE_DIR}/tests/data/audio")
endif()
