twk_test(radio_ring_test CORE radio_ring_test.cpp)
twk_test(radio_ring_memory_test WIN radio_ring_memory_test.cpp)
