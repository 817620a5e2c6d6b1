twk_bench(decoding_bench CORE decoding_bench.cpp)
