twk_core_sources(layout.cpp window_texts.cpp)
twk_win_sources(fonts.cpp main_window.cpp window_ops.cpp window_proc.cpp)
