twk_test(station_link_test CORE station_link_test.cpp)
twk_test(radio_stream_test CORE radio_stream_test.cpp)
twk_test(radio_station_test WIN radio_station_test.cpp ../../support/audio_capture.cpp
         ../../support/radio_station.cpp ../../support/win_test_support.cpp)
if(TARGET radio_station_test)
  target_link_libraries(radio_station_test PRIVATE twk_test_server psapi)
endif()
twk_test(stream_decoding_test CORE stream_decoding_test.cpp)
