twk_bench(player_bench WIN player_bench.cpp)
