twk_bench(audio_output_bench WIN audio_output_bench.cpp ../tests/support/win_test_support.cpp)
