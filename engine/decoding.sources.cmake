twk_core_sources(engine
  decoder_io.cpp
  loaded_track.cpp
  memory_decoder.cpp
  stream_decoder.cpp
  load_path.cpp
  source/memory_source.cpp)
twk_win_sources(engine source/file_source.cpp)
