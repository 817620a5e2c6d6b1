twk_core_sources(app command_line.cpp)
twk_win_sources(app startup.cpp single_instance.cpp)

# Tarnwick.exe; its resource script names the manifest and the icon beside it.
set(TWK_RESOURCES "${CMAKE_SOURCE_DIR}/ui/resources")
twk_gui_program(Tarnwick main.cpp ../ui/resources/tarnwick.rc)
if(TARGET Tarnwick)
  target_include_directories(Tarnwick PRIVATE "${TWK_RESOURCES}")
  set_source_files_properties("${TWK_RESOURCES}/tarnwick.rc" PROPERTIES OBJECT_DEPENDS
    "${TWK_RESOURCES}/tarnwick.manifest;${TWK_RESOURCES}/tarnwick.ico;${TWK_RESOURCES}/add_podcast.rc")
endif()
