twk_bench(radio_bench WIN radio_bench.cpp ../tests/support/radio_station.cpp
          ../tests/support/win_test_support.cpp)
if(TARGET radio_bench)
  target_link_libraries(radio_bench PRIVATE twk_test_server)
endif()
