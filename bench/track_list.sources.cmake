twk_bench(track_list_bench CORE track_list_bench.cpp)
