# Build functions used by the *.sources.cmake fragments of each folder.

set(TWK_FUZZ_SECONDS 30 CACHE STRING "Seconds each libFuzzer target runs under ctest")
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
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/tools/wine-test;${CMAKE_BINARY_DIR}")
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
target_include_directories(twk_flags SYSTEM INTERFACE "${TWK_MINIAUDIO_DIR}")
target_compile_options(twk_flags INTERFACE -Wall -Wextra)
target_compile_definitions(twk_flags INTERFACE "TWK_SOURCE_DIR=\"${TWK_SOURCE_DIR_LITERAL}\"")
if(TWK_TREE STREQUAL "windows")
  # Loading comctl32.dll costs a start under Wine about 15 ms before the first frame, which
  # needs no control, and winhttp.dll brings the sockets library and the proxy script host with
  # it, which no start needs: the functions of both are imported through delay-load libraries,
  # so each DLL is loaded at its first call (the controls just after the first frame, the first
  # request). Whatever a list leaves out comes from the usual import.
  find_program(TWK_DLLTOOL ${TWK_MINGW_PREFIX}-dlltool REQUIRED)
  set(delayed_libs "")
  foreach(dll comctl32 winhttp)
    set(delayed_def "${CMAKE_SOURCE_DIR}/cmake/${dll}-delayed.def")
    set(delayed_lib "${CMAKE_BINARY_DIR}/lib${dll}-delayed.a")
    execute_process(COMMAND "${TWK_DLLTOOL}" --input-def "${delayed_def}"
                            --output-delaylib "${delayed_lib}" --dllname ${dll}.dll
                    RESULT_VARIABLE dlltool_result)
    if(NOT dlltool_result EQUAL 0)
      message(FATAL_ERROR "dlltool could not make ${delayed_lib}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${delayed_def}")
    list(APPEND delayed_libs "${delayed_lib}")
  endforeach()
  target_link_libraries(twk_flags INTERFACE
    ole32 oleaut32 uuid shlwapi shell32 user32 gdi32 ${delayed_libs} comctl32 comdlg32 winhttp
    dwmapi uxtheme msimg32 winmm avrt)
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
# Only the decoders, the resampler and the device layer are used: the rest (the high-level engine,
# its node graph and resource manager, encoders, generators) would only lengthen every start.
target_compile_definitions(twk_miniaudio PUBLIC MA_NO_ENGINE MA_NO_NODE_GRAPH
                           MA_NO_RESOURCE_MANAGER MA_NO_ENCODING MA_NO_GENERATION)
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

# A file a fragment names must exist: a silently skipped file hides a mistake.
function(_twk_absolute out)
  set(result)
  foreach(f IN LISTS ARGN)
    if(NOT IS_ABSOLUTE "${f}")
      set(f "${TWK_FRAGMENT_DIR}/${f}")
    endif()
    get_filename_component(f "${f}" ABSOLUTE)
    if(NOT EXISTS "${f}")
      message(FATAL_ERROR "missing source ${f}")
    endif()
    list(APPEND result "${f}")
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# The layers, bottom first, and the layers each one builds on. Every layer is one static
# library, twk_<layer>, linked only to the libraries of the layers below it; its sources see
# only its own headers and those below (see _twk_layer_views), so an include that runs upward
# does not compile. docs/architecture.md draws the picture.
set(TWK_LAYERS base engine library net cd smtc loader player ui app)
set(TWK_BELOW_base "")
set(TWK_BELOW_engine base)
set(TWK_BELOW_library engine)
set(TWK_BELOW_net library)
set(TWK_BELOW_cd library)
set(TWK_BELOW_smtc base)
set(TWK_BELOW_loader net cd)
set(TWK_BELOW_player loader smtc)
set(TWK_BELOW_ui player)
set(TWK_BELOW_app ui)

# twk_core_sources(<layer> files...): portable code of a layer, built in every tree.
# twk_win_sources(<layer> files...): the layer's Windows shell. twk_native_sources(<layer>
# files...): stand-ins for the shell in the native and fuzz trees. A fragment that names no
# files still makes the headers of its folder part of the layer.
function(_twk_layer_sources kind layer)
  if(NOT layer IN_LIST TWK_LAYERS)
    message(FATAL_ERROR "${TWK_FRAGMENT_DIR}: '${layer}' is not a layer (${TWK_LAYERS}); "
                        "a source list starts with the name of its layer")
  endif()
  _twk_absolute(files ${ARGN})
  set_property(GLOBAL APPEND PROPERTY TWK_${kind}_SOURCES_${layer} ${files})
  set_property(GLOBAL APPEND PROPERTY TWK_REGISTERED_${layer} ${files})
  set_property(GLOBAL APPEND PROPERTY TWK_FOLDERS_${layer} "${TWK_FRAGMENT_DIR}")
endfunction()

function(twk_core_sources layer)
  _twk_layer_sources(CORE ${layer} ${ARGN})
endfunction()

function(twk_win_sources layer)
  _twk_layer_sources(WIN ${layer} ${ARGN})
endfunction()

function(twk_native_sources layer)
  _twk_layer_sources(NATIVE ${layer} ${ARGN})
endfunction()

# twk_win_libraries(<layer> libs...): system libraries the layer's Windows shell links (the
# import libraries of the DLLs it calls, GUID definitions), in the Windows tree only.
function(twk_win_libraries layer)
  if(NOT layer IN_LIST TWK_LAYERS)
    message(FATAL_ERROR "${TWK_FRAGMENT_DIR}: '${layer}' is not a layer (${TWK_LAYERS})")
  endif()
  set_property(GLOBAL APPEND PROPERTY TWK_WIN_LIBRARIES_${layer} ${ARGN})
endfunction()

# Each layer's view of the headers: build/layers/<layer>/<folder>/<name>.h forwarding to the
# source tree. A header belongs to the layer of its source file (name.cpp, name_win.cpp or
# name_native.cpp in the same folder); a header without one belongs to the lowest layer that
# has sources in its folder.
function(_twk_layer_views)
  set(folders)
  foreach(layer IN LISTS TWK_LAYERS)
    get_property(files GLOBAL PROPERTY TWK_REGISTERED_${layer})
    get_property(extra GLOBAL PROPERTY TWK_FOLDERS_${layer})
    set(dirs ${extra})
    foreach(f IN LISTS files)
      get_filename_component(dir "${f}" DIRECTORY)
      get_filename_component(stem "${f}" NAME_WE)
      string(REGEX REPLACE "_(win|native)$" "" stem "${stem}")
      string(MAKE_C_IDENTIFIER "${dir}/${stem}" key)
      if(DEFINED _owner_${key} AND NOT _owner_${key} STREQUAL layer)
        message(FATAL_ERROR "${dir}/${stem}: sources in two layers (${_owner_${key}}, ${layer})")
      endif()
      set(_owner_${key} ${layer})
      list(APPEND dirs "${dir}")
    endforeach()
    list(REMOVE_DUPLICATES dirs)
    foreach(dir IN LISTS dirs)
      string(MAKE_C_IDENTIFIER "${dir}" key)
      if(NOT DEFINED _folder_${key})
        set(_folder_${key} ${layer})  # layers come bottom first: the lowest one wins
        list(APPEND folders "${dir}")
      endif()
    endforeach()
  endforeach()

  set(root "${CMAKE_BINARY_DIR}/layers")
  set(wanted)
  foreach(dir IN LISTS folders)
    string(MAKE_C_IDENTIFIER "${dir}" key)
    file(GLOB headers CONFIGURE_DEPENDS "${dir}/*.h")
    foreach(header IN LISTS headers)
      get_filename_component(stem "${header}" NAME_WE)
      string(MAKE_C_IDENTIFIER "${dir}/${stem}" owner)
      if(DEFINED _owner_${owner})
        set(layer ${_owner_${owner}})
      else()
        set(layer ${_folder_${key}})
      endif()
      file(RELATIVE_PATH relative "${CMAKE_SOURCE_DIR}" "${header}")
      set(view "${root}/${layer}/${relative}")
      # Written only when it changes, so that configuring again rebuilds nothing.
      file(CONFIGURE OUTPUT "${view}" CONTENT "#include \"${header}\"\n" @ONLY)
      list(APPEND wanted "${view}")
    endforeach()
  endforeach()
  # A header that was moved or removed must not stay visible where it was.
  file(GLOB_RECURSE existing "${root}/*")
  foreach(view IN LISTS existing)
    if(NOT view IN_LIST wanted)
      file(REMOVE "${view}")
    endif()
  endforeach()
endfunction()

# One library per layer, the portable core plus this tree's platform files, and twk, which
# stands for all of them.
function(twk_create_libraries)
  _twk_layer_views()
  # An empty layer still links: an empty translation unit keeps its library valid.
  file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/twk_empty.cpp" CONTENT "// intentionally empty\n")
  if(TWK_TREE STREQUAL "windows")
    set(platform WIN)
  else()
    set(platform NATIVE)
  endif()
  foreach(layer IN LISTS TWK_LAYERS)
    get_property(core GLOBAL PROPERTY TWK_CORE_SOURCES_${layer})
    get_property(shell GLOBAL PROPERTY TWK_${platform}_SOURCES_${layer})
    set(sources ${core} ${shell})
    if(NOT sources)
      set(sources "${CMAKE_BINARY_DIR}/twk_empty.cpp")
    endif()
    add_library(twk_${layer} STATIC ${sources})
    target_include_directories(twk_${layer} PUBLIC "${CMAKE_BINARY_DIR}/layers/${layer}")
    target_link_libraries(twk_${layer} PUBLIC twk_flags)
    foreach(below IN LISTS TWK_BELOW_${layer})
      target_link_libraries(twk_${layer} PUBLIC twk_${below})
    endforeach()
    if(TWK_TREE STREQUAL "windows")
      get_property(system GLOBAL PROPERTY TWK_WIN_LIBRARIES_${layer})
      target_link_libraries(twk_${layer} PUBLIC ${system})
    endif()
  endforeach()
  target_link_libraries(twk_engine PUBLIC twk_miniaudio)
  add_library(twk INTERFACE)
  target_link_libraries(twk INTERFACE twk_app)
endfunction()

# A program of this tree linked with every layer: CORE programs are built natively and for
# Windows, WIN programs only for Windows, none in the fuzz tree. Tests, benchmarks and fuzz
# targets sit above every layer and may include anything from the source root.
function(_twk_add_program name kind)
  _twk_absolute(files ${ARGN})
  if(TWK_TREE STREQUAL "fuzz")
    return()
  endif()
  if(TWK_TREE STREQUAL "native" AND NOT kind STREQUAL "CORE")
    return()
  endif()
  add_executable(${name} ${files})
  _twk_program_objects(${name})
  target_link_libraries(${name} PRIVATE twk)
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}")
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
  if(IS_ABSOLUTE "${corpus}")
    set(seeds "${corpus}")
  else()
    set(seeds "${TWK_FRAGMENT_DIR}/${corpus}")
  endif()
  if(TWK_TREE STREQUAL "fuzz")
    add_executable(fuzz_${name} ${src})
    _twk_program_objects(fuzz_${name})
    target_link_libraries(fuzz_${name} PRIVATE twk)
    target_include_directories(fuzz_${name} PRIVATE "${CMAKE_SOURCE_DIR}")
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
    target_include_directories(replay_${name} PRIVATE "${CMAKE_SOURCE_DIR}")
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
  if(NOT TWK_TREE STREQUAL "windows")
    return()
  endif()
  add_executable(${name} WIN32 ${files})
  target_link_libraries(${name} PRIVATE twk)
  target_link_options(${name} PRIVATE -municode)
endfunction()
