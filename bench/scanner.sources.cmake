twk_bench(scanner_bench WIN scanner_bench.cpp)
