twk_core_sources(cd
  cd_text.cpp
  device.cpp
  disc_reader.cpp
  disc_result.cpp
  open_track.cpp
  toc.cpp
  track_path.cpp
  track_source.cpp
  wav_header.cpp)
twk_win_sources(cd drive_win.cpp)
