twk_core_sources(engine radio_ring.cpp)
twk_win_sources(engine ring_memory_win.cpp)
twk_native_sources(engine ring_memory_native.cpp)
