twk_core_sources(text.cpp)
twk_win_sources(compare_win.cpp scoped_win.cpp thread_win.cpp wake_event_win.cpp)
twk_native_sources(compare_native.cpp thread_native.cpp wake_event_native.cpp)
