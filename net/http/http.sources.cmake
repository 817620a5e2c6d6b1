twk_core_sources(net error_text.cpp range_rules.cpp response_rules.cpp url.cpp)
twk_win_sources(net cancel.cpp client.cpp open_url.cpp range_source.cpp request.cpp)
