twk_test(station_link_test CORE station_link_test.cpp)
twk_test(radio_stream_test CORE radio_stream_test.cpp)
twk_test(radio_ring_test CORE radio_ring_test.cpp)
twk_test(radio_ring_memory_test WIN radio_ring_memory_test.cpp)
