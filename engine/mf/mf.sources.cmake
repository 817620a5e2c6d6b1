twk_core_sources(engine frame_math.cpp media_probe.cpp)
twk_win_sources(engine file_stream.cpp media_foundation.cpp media_reader.cpp open_stream_decoder.cpp)
# GUID definitions only (MF_MT_*, MFAudioFormat_Float, ...): no import of a Media Foundation
# DLL, which is loaded at run time.
twk_win_libraries(engine mfuuid)
