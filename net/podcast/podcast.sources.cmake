twk_core_sources(duration.cpp episode_text.cpp feed_builder.cpp feed_download.cpp playable.cpp
                 pub_date.cpp)
twk_win_sources(feed_parser_win.cpp xml_input_win.cpp)
