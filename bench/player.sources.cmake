twk_bench(player_bench WIN player_bench.cpp ../tests/support/player_host.cpp
          ../tests/support/win_test_support.cpp)
