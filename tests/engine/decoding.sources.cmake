twk_test(decoder_io_test CORE decoder_io_test.cpp)
twk_test(stream_decoder_test CORE stream_decoder_test.cpp)
twk_test(file_source_test WIN file_source_test.cpp ../support/win_test_support.cpp)
twk_test(track_loader_test WIN track_loader_test.cpp ../support/message_window.cpp
         ../support/win_test_support.cpp)
twk_test(track_loader_streams_test WIN track_loader_streams_test.cpp ../support/message_window.cpp
         ../support/cd_disc_image.cpp ../support/mf_decode.cpp ../support/win_test_support.cpp)
if(TARGET track_loader_streams_test)
  # The loopback server serves the fixtures by their Linux paths.
  target_link_libraries(track_loader_streams_test PRIVATE twk_test_server)
  target_compile_definitions(track_loader_streams_test PRIVATE
    TWK_UNIX_AUDIO_DATA="${CMAKE_SOURCE_DIR}/tests/data/audio"
    TWK_UNIX_MF_DATA="${CMAKE_SOURCE_DIR}/tests/data/mf")
endif()
