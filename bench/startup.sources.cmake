# The bare window is the start-up bench's yardstick; both run the programs beside them.
twk_gui_program(bare_window bare_window.cpp ../ui/resources/tarnwick.rc)
if(TARGET bare_window)
  target_include_directories(bare_window PRIVATE "${CMAKE_SOURCE_DIR}/ui/resources")
endif()
twk_bench(startup_bench WIN startup_bench.cpp ../tests/support/child_process.cpp
          ../tests/support/win_test_support.cpp)
if(TARGET startup_bench AND TARGET Tarnwick)
  add_dependencies(startup_bench Tarnwick bare_window)
endif()
