twk_bench(tag_read_bench WIN tag_read_bench.cpp ../tests/support/win_test_support.cpp)
