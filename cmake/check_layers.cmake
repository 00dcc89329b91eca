# The layer check: which folders' code may include what. The console is written against the
# terminal's interface alone, so that it reads as the terminal's program and never leans on this
# machine, the simulator or a front end; the framework sits between the two. The adapters around
# it have floors too, so that the simulator stays a terminal and not a test bench, a real board's
# files are reached without anything simulated, the plan runner talks to a console only through
# its link, and no tool leans on a front end.
#
#   console code (cmake/console_folders.cmake): its own folders, framework/, platform/terminal/,
#     and the C++ standard library
#   framework/: framework/, platform/terminal/, and the C++ standard library
#   platform/terminal/ headers: platform/terminal/, platform/ports/, and the C++ standard library
#   platform/: nothing outside platform/ of ours (its adapters lean on it, never the reverse)
#   the adapters: the folders of ours that `adapter_floors` gives each (any system or library
#     header besides)
#
# Tests (*_test.cpp, and tests/ with the whole program's tests and their fixture) wire adapters to
# the code under test and are not checked.
#
# Run as a script: cmake -DSOURCE_DIR=<tree> -P check_layers.cmake. Exits non-zero, naming each
# file and what it includes, when any rule is broken.

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/console_folders.cmake)
set(console_may_include ${QUORVANE_CONSOLE_FOLDERS} framework platform/terminal)
list(JOIN QUORVANE_CONSOLE_FOLDERS " " console_folders)

# Each adapter, and the folders of ours it may include.
set(adapter_floors
  "sim: sim platform"
  "record: record platform"
  "sender: sender platform"
  "board_io: board_io platform"
  "board: board board_io sim record platform"
  "instrument: instrument platform"
  "plan: plan instrument sender record platform/ports platform/linux"
  "results: results plan platform"
  "report: report results plan record platform"
  "tools: tools report results plan instrument sender record board sim platform"
  "ui: ui ${console_folders} framework platform board sim record sender")

# The C++ standard library's headers (C++20), and the C library's as C++ offers them.
set(standard_headers
  algorithm any array atomic barrier bit bitset charconv chrono codecvt compare complex concepts
  condition_variable coroutine deque exception execution expected filesystem format forward_list
  fstream functional future initializer_list iomanip ios iosfwd iostream istream iterator latch
  limits list locale map memory memory_resource mutex new numbers numeric optional ostream queue
  random ranges ratio regex scoped_allocator semaphore set shared_mutex source_location span
  sstream stack stdexcept stop_token streambuf string string_view syncstream system_error thread
  tuple type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant
  vector version
  cassert cctype cerrno cfenv cfloat cinttypes climits clocale cmath csetjmp csignal cstdarg
  cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype)

set(violations "")

# Adds to `violations` every include in `files` that the layer may not use.
function(check_files files may_include standard_only)
  foreach(file IN LISTS files)
    if(file MATCHES "_test\\.cpp$")
      continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header "${CMAKE_MATCH_1}")
        set(allowed FALSE)
        foreach(prefix IN LISTS may_include)
          if(header MATCHES "^${prefix}/")
            set(allowed TRUE)
          endif()
        endforeach()
        if(NOT allowed)
          list(APPEND violations "${file} includes \"${header}\"")
        endif()
      elseif(standard_only AND line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(header "${CMAKE_MATCH_1}")
        if(NOT header IN_LIST standard_headers)
          list(APPEND violations "${file} includes <${header}>")
        endif()
      endif()
    endforeach()
  endforeach()
  set(violations "${violations}" PARENT_SCOPE)
endfunction()

function(files_in out)
  set(found "")
  foreach(pattern IN LISTS ARGN)
    file(GLOB_RECURSE matched RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${pattern}")
    list(APPEND found ${matched})
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

foreach(folder IN LISTS QUORVANE_CONSOLE_FOLDERS)
  files_in(files "${folder}/*.h" "${folder}/*.cpp")
  check_files("${files}" "${console_may_include}" TRUE)
endforeach()

files_in(files "framework/*.h" "framework/*.cpp")
check_files("${files}" "framework;platform/terminal" TRUE)

files_in(files "platform/terminal/*.h")
check_files("${files}" "platform/terminal;platform/ports" TRUE)

files_in(files "platform/*.h" "platform/*.cpp")
check_files("${files}" "platform" FALSE)

foreach(floor IN LISTS adapter_floors)
  string(REGEX MATCHALL "[^: ]+" words "${floor}")
  list(POP_FRONT words adapter)
  files_in(files "${adapter}/*.h" "${adapter}/*.cpp")
  check_files("${files}" "${words}" FALSE)
endforeach()

if(violations)
  list(JOIN violations "\n  " listed)
  message(FATAL_ERROR "Layer check: code includes what its layer may not use:\n  ${listed}\n"
                      "(see cmake/check_layers.cmake for who may include what)")
endif()
