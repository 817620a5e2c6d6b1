twk_core_sources(player log_codec.cpp)
twk_win_sources(player listening_log.cpp audiobook.cpp resume_positions.cpp mode_switch.cpp)
