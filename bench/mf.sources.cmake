twk_bench(mf_bench WIN mf_bench.cpp ../tests/support/mf_decode.cpp
          ../tests/support/win_test_support.cpp)
