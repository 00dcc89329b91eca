# Proves that the layer check can fail: copies the source tree to a scratch folder, checks that
# the copy passes, then plants one forbidden include at a time and checks that each is caught,
# with the file and the header named.
#
# cmake -DSOURCE_DIR=<tree> -DSCRATCH=<empty folder> -P check_layers_test.cmake

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/expect_check.cmake)

function(run_check expect_failure description)
  expect_check("layer check" ${expect_failure} "${description}" ${CMAKE_COMMAND}
               -DSOURCE_DIR=${SCRATCH} -P ${CMAKE_CURRENT_LIST_DIR}/check_layers.cmake)
  set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${SCRATCH}")
file(GLOB folders LIST_DIRECTORIES true "${SOURCE_DIR}/*")
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY "${folder}" AND NOT folder MATCHES "/(build|\\.git)$")
    file(COPY "${folder}" DESTINATION "${SCRATCH}")
  endif()
endforeach()
run_check(FALSE "the tree as it stands")

# Each row: the file that gets the include, and the include.
set(plantings
  "app/quorvane_dlg.cpp|#include <unistd.h>"
  "serial/ccom.h|#include <QString>"
  "app/quorvane_dlg.h|#include \"sim/sandbox.h\""
  "serial/ccom.cpp|#include \"board/profile.h\""
  "app/io_send.cpp|#include \"platform/linux/posix_calls.h\""
  "res/install_resources.cpp|#include \"platform/ports/board.h\""
  "framework/cwnd.cpp|#include \"app/quorvane_dlg.h\""
  "framework/cstring.cpp|#include <termios.h>"
  "platform/terminal/window.h|#include \"platform/linux/posix_calls.h\""
  "platform/terminal/devices.cpp|#include \"sim/driver_journal.h\""
  "maintenance/launcher.cpp|#include \"platform/ports/board.h\""
  "sim/modem.cpp|#include \"testing/temp_dir.h\""
  "sim/sandbox.h|#include \"board/profile.h\""
  "instrument/session.cpp|#include \"plan/runner.h\""
  "record/session_record.cpp|#include \"sender/server.h\""
  "sender/server.cpp|#include \"plan/runner.h\""
  "board_io/value_file.cpp|#include \"sim/driver_journal.h\""
  "board/build_board.cpp|#include \"ui/run_console.h\""
  "plan/runner.cpp|#include \"sim/sandbox.h\""
  "plan/socket_link.h|#include \"ui/qt/qt_front_end.h\""
  "plan/limit.cpp|#include \"platform/terminal/window.h\""
  "results/store.cpp|#include \"sender/server.h\""
  "results/sqlite.h|#include \"tools/unit_run/unit_run.h\""
  "tools/quorvane-plan/main.cpp|#include \"ui/run_console.h\""
  "tools/quorvane-send/main.cpp|#include \"testing/child_process.h\""
  "ui/run_console.cpp|#include \"testing/temp_dir.h\""
  "ui/qt/qt_front_end.h|#include \"tools/quorvane-plan/window_prompter.h\"")
foreach(planting IN LISTS plantings)
  string(REPLACE "|" ";" parts "${planting}")
  list(GET parts 0 file)
  list(GET parts 1 include)
  file(READ "${SCRATCH}/${file}" original)
  file(APPEND "${SCRATCH}/${file}" "${include}\n")
  run_check(TRUE "${include} in ${file}")
  string(FIND "${output}" "${file} includes" named)
  if(named EQUAL -1)
    message(FATAL_ERROR "the layer check did not name ${file}:\n${output}")
  endif()
  file(WRITE "${SCRATCH}/${file}" "${original}")
endforeach()
message(STATUS "the layer check caught every planted include")
