twk_core_sources(ui layout.cpp window_texts.cpp)
twk_win_sources(ui fonts.cpp main_window.cpp player_messages.cpp startup_time.cpp window_ops.cpp
                window_proc.cpp)
