twk_core_sources(frame_math.cpp media_probe.cpp)
twk_win_sources(file_stream.cpp media_foundation.cpp media_reader.cpp)
if(TWK_TREE STREQUAL "windows")
  # GUID definitions only (MF_MT_*, MFAudioFormat_Float, ...): no import of a Media Foundation
  # DLL, which is loaded at run time.
  target_link_libraries(twk_flags INTERFACE mfuuid)
endif()
