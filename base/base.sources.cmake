twk_core_sources(base text.cpp natural_key.cpp path.cpp tag_info.cpp track_list.cpp handoff.cpp)
twk_win_sources(base compare_win.cpp code_page_win.cpp scoped_win.cpp scoped_socket_win.cpp
                thread_win.cpp wake_event_win.cpp)
twk_native_sources(base compare_native.cpp code_page_native.cpp thread_native.cpp
                   wake_event_native.cpp)
twk_win_libraries(base ws2_32)
