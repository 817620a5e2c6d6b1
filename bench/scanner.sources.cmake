twk_bench(scanner_bench WIN scanner_bench.cpp ../tests/support/player_host.cpp
          ../tests/support/win_test_support.cpp)
