twk_core_sources(status_view.cpp)
twk_win_sources(player_status.cpp)
