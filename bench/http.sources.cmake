twk_bench(range_source_bench WIN range_source_bench.cpp)
if(TARGET range_source_bench)
  target_link_libraries(range_source_bench PRIVATE twk_test_server)
endif()
