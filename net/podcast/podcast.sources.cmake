twk_core_sources(net download_error.cpp duration.cpp episode_text.cpp feed_builder.cpp playable.cpp
                 pub_date.cpp)
twk_win_sources(net feed_download_win.cpp feed_parser_win.cpp xml_input_win.cpp)
