twk_core_sources(error_text.cpp range_rules.cpp response_rules.cpp url.cpp)
twk_win_sources(cancel.cpp client.cpp open_url.cpp range_source.cpp request.cpp)
