# Build functions used by the *.sources.cmake fragments of each folder.

set(TWK_FUZZ_SECONDS 60 CACHE STRING "Seconds each libFuzzer target runs under ctest")
option(TWK_SANITIZE "Build the native tree with AddressSanitizer and UBSan" ON)

if(NOT CMAKE_BUILD_TYPE)
  if(TWK_TREE STREQUAL "windows")
    set(CMAKE_BUILD_TYPE Release CACHE STRING "" FORCE)
  else()
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
  endif()
endif()

# Flags for everything the tree compiles, googletest and miniaudio included.
if(TWK_TREE STREQUAL "windows")
  add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  add_link_options(-static -static-libgcc -static-libstdc++)
  if(CMAKE_CROSSCOMPILING)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/tools/wine-run;${CMAKE_BINARY_DIR}")
  endif()
else()
  # wchar_t holds one UTF-16 code unit here as on Windows; base/short_wchar.c supplies the
  # few C library wide-string routines that std::wstring and googletest call.
  add_compile_options(-fshort-wchar)
  if(TWK_TREE STREQUAL "fuzz")
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
  elseif(TWK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

if(TWK_TREE STREQUAL "windows")
  set(TWK_SOURCE_DIR_LITERAL "Z:${CMAKE_SOURCE_DIR}")
else()
  set(TWK_SOURCE_DIR_LITERAL "${CMAKE_SOURCE_DIR}")
endif()

# Project-wide settings for our own targets.
add_library(twk_flags INTERFACE)
target_include_directories(twk_flags INTERFACE "${CMAKE_SOURCE_DIR}")
target_include_directories(twk_flags SYSTEM INTERFACE "${TWK_MINIAUDIO_DIR}")
target_compile_options(twk_flags INTERFACE -Wall -Wextra)
target_compile_definitions(twk_flags INTERFACE "TWK_SOURCE_DIR=\"${TWK_SOURCE_DIR_LITERAL}\"")
if(TWK_TREE STREQUAL "windows")
  target_link_libraries(twk_flags INTERFACE
    ole32 oleaut32 uuid shlwapi shell32 user32 gdi32 comctl32 comdlg32 winhttp dwmapi uxtheme
    msimg32 winmm avrt)
else()
  add_library(twk_wchar OBJECT "${CMAKE_SOURCE_DIR}/base/short_wchar.c")
  find_package(Threads REQUIRED)
  target_link_libraries(twk_flags INTERFACE Threads::Threads)
endif()

# miniaudio's implementation, compiled once per tree.
file(WRITE "${CMAKE_BINARY_DIR}/miniaudio_impl.c"
  "#define MINIAUDIO_IMPLEMENTATION\n#include \"miniaudio.h\"\n")
add_library(twk_miniaudio STATIC "${CMAKE_BINARY_DIR}/miniaudio_impl.c")
target_include_directories(twk_miniaudio SYSTEM PUBLIC "${TWK_MINIAUDIO_DIR}")
target_compile_options(twk_miniaudio PRIVATE -w)
if(NOT TWK_TREE STREQUAL "windows")
  # The portable core only decodes; the device layer is the Windows program's.
  target_compile_definitions(twk_miniaudio PUBLIC MA_NO_DEVICE_IO MA_NO_THREADING)
  target_link_libraries(twk_miniaudio PUBLIC m ${CMAKE_DL_LIBS})
endif()

# GoogleTest from its sources, built with this tree's flags (natively wchar_t is 2 bytes, so a
# prebuilt library would not match).
set(TWK_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source folder")
if(NOT TWK_TREE STREQUAL "fuzz")
  if(EXISTS "${TWK_GTEST_SOURCE}/CMakeLists.txt")
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory("${TWK_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()

# Every native program links the 2-byte wide-string routines itself (an object library's
# objects do not travel through another library).
function(_twk_program_objects target)
  if(NOT TWK_TREE STREQUAL "windows")
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:twk_wchar>)
  endif()
endfunction()

# Includes the *.sources.cmake fragments found under the given top-level folders.
function(twk_include_fragments)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE fragments CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.sources.cmake")
    list(SORT fragments)
    foreach(fragment IN LISTS fragments)
      get_filename_component(TWK_FRAGMENT_DIR "${fragment}" DIRECTORY)
      include("${fragment}")
    endforeach()
  endforeach()
endfunction()

# Files not written yet are left out with a warning, so that one engineer's fragment that
# names work in progress does not stop everyone else's build.
function(_twk_absolute out)
  set(result)
  foreach(f IN LISTS ARGN)
    if(NOT IS_ABSOLUTE "${f}")
      set(f "${TWK_FRAGMENT_DIR}/${f}")
    endif()
    if(EXISTS "${f}")
      list(APPEND result "${f}")
    else()
      message(WARNING "missing source ${f}")
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(twk_core_sources)
  _twk_absolute(files ${ARGN})
  set_property(GLOBAL APPEND PROPERTY TWK_CORE_SOURCES ${files})
endfunction()

function(twk_win_sources)
  _twk_absolute(files ${ARGN})
  set_property(GLOBAL APPEND PROPERTY TWK_WIN_SOURCES ${files})
endfunction()

function(twk_native_sources)
  _twk_absolute(files ${ARGN})
  set_property(GLOBAL APPEND PROPERTY TWK_NATIVE_SOURCES ${files})
endfunction()

# The project library of this tree: the portable core plus the tree's platform files.
function(twk_create_libraries)
  get_property(core GLOBAL PROPERTY TWK_CORE_SOURCES)
  if(TWK_TREE STREQUAL "windows")
    get_property(platform GLOBAL PROPERTY TWK_WIN_SOURCES)
  else()
    get_property(platform GLOBAL PROPERTY TWK_NATIVE_SOURCES)
  endif()
  # An empty tree still links: an empty translation unit keeps the library valid.
  file(WRITE "${CMAKE_BINARY_DIR}/twk_empty.cpp" "// intentionally empty\n")
  add_library(twk STATIC "${CMAKE_BINARY_DIR}/twk_empty.cpp" ${core} ${platform})
  target_link_libraries(twk PUBLIC twk_flags twk_miniaudio)
endfunction()

# A program of this tree linked with the project library: CORE programs are built natively and
# for Windows, WIN programs only for Windows, none in the fuzz tree.
function(_twk_add_program name kind)
  _twk_absolute(files ${ARGN})
  if(TWK_TREE STREQUAL "fuzz" OR NOT files)
    return()
  endif()
  if(TWK_TREE STREQUAL "native" AND NOT kind STREQUAL "CORE")
    return()
  endif()
  add_executable(${name} ${files})
  _twk_program_objects(${name})
  target_link_libraries(${name} PRIVATE twk)
endfunction()

# twk_test(<name> CORE|WIN <sources...>): a GoogleTest program. CORE tests run natively and
# under Wine; WIN tests only under Wine.
function(twk_test name kind)
  _twk_add_program(${name} ${kind} ${ARGN})
  if(NOT TARGET ${name})
    return()
  endif()
  target_link_libraries(${name} PRIVATE GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# twk_fuzz(<name> <source> <corpus-dir>): a libFuzzer target. The fuzz tree runs it for
# TWK_FUZZ_SECONDS on a copy of the corpus; the native tree replays the corpus under ASan.
function(twk_fuzz name source corpus)
  _twk_absolute(src ${source})
  if(NOT src)
    return()
  endif()
  if(IS_ABSOLUTE "${corpus}")
    set(seeds "${corpus}")
  else()
    set(seeds "${TWK_FRAGMENT_DIR}/${corpus}")
  endif()
  if(TWK_TREE STREQUAL "fuzz")
    add_executable(fuzz_${name} ${src})
    _twk_program_objects(fuzz_${name})
    target_link_libraries(fuzz_${name} PRIVATE twk)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    set(work "${CMAKE_BINARY_DIR}/fuzz-work/${name}")
    add_test(NAME fuzz.${name}
      COMMAND sh -c "rm -rf '${work}' && mkdir -p '${work}' && exec \"$0\" -max_total_time=${TWK_FUZZ_SECONDS} -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 '${work}' '${seeds}'"
              $<TARGET_FILE:fuzz_${name}>)
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 900)
  elseif(TWK_TREE STREQUAL "native")
    add_executable(replay_${name} ${src} "${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp")
    _twk_program_objects(replay_${name})
    target_link_libraries(replay_${name} PRIVATE twk)
    add_test(NAME replay.${name} COMMAND replay_${name} "${seeds}")
    set_tests_properties(replay.${name} PROPERTIES TIMEOUT 900)
  endif()
endfunction()

# twk_bench(<name> CORE|WIN <sources...>): a benchmark program; never run by ctest.
function(twk_bench name kind)
  _twk_add_program(${name} ${kind} ${ARGN})
endfunction()

# twk_gui_program(<name> <sources...>): a Windows GUI program (wWinMain, resource scripts),
# built only in the Windows tree.
function(twk_gui_program name)
  _twk_absolute(files ${ARGN})
  if(NOT TWK_TREE STREQUAL "windows" OR NOT files)
    return()
  endif()
  add_executable(${name} WIN32 ${files})
  target_link_libraries(${name} PRIVATE twk)
  target_link_options(${name} PRIVATE -municode)
endfunction()
