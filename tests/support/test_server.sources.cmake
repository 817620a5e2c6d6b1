# The loopback test servers' helper (tests/support/test_server.h), for the Windows tests and
# benchmarks that link twk_test_server. Wine runs a Linux program only by its real file, not
# through a symlink such as /usr/bin/python3.
if(TWK_TREE STREQUAL "windows")
  file(REAL_PATH "/usr/bin/python3" TWK_PYTHON3_REAL)
  file(REAL_PATH "/bin/kill" TWK_KILL_REAL)
  add_library(twk_test_server STATIC "${CMAKE_CURRENT_LIST_DIR}/test_server.cpp")
  target_link_libraries(twk_test_server PUBLIC twk ws2_32)
  target_compile_definitions(twk_test_server PRIVATE
    "TWK_PYTHON3=\"${TWK_PYTHON3_REAL}\"" "TWK_KILL=\"${TWK_KILL_REAL}\""
    "TWK_UNIX_SOURCE_DIR=\"${CMAKE_SOURCE_DIR}\"")
endif()
