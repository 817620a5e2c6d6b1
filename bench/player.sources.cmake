twk_bench(player_bench WIN player_bench.cpp ../tests/support/win_test_support.cpp)
