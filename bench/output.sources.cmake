twk_bench(audio_output_bench WIN audio_output_bench.cpp)
