twk_core_sources(log_codec.cpp)
twk_win_sources(listening_log.cpp audiobook.cpp)
