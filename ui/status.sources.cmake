twk_core_sources(ui status_view.cpp)
twk_win_sources(ui player_status.cpp)
