twk_test(mf_probe_test CORE media_probe_test.cpp)
twk_test(mf_file_stream_test WIN file_stream_test.cpp)
twk_test(mf_reader_test WIN media_reader_test.cpp ../../support/mf_decode.cpp
         ../../support/bounded_run.cpp)
# Its own process: it makes the once-per-process start-up fail.
twk_test(mf_startup_test WIN startup_test.cpp ../../support/mf_decode.cpp)
twk_test(mf_robustness_test WIN robustness_test.cpp ../../support/child_process.cpp
         ../../support/mf_decode.cpp ../../support/win_test_support.cpp)
# Its own process as well: the loader with the start-up failing.
twk_test(mf_loader_feature_pack_test WIN loader_feature_pack_test.cpp)
