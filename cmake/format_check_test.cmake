# Proves that the layout check can fail: in a scratch git repository holding scripts/format and
# .clang-format, sources laid out as .clang-format says pass, and each planted fault fails the
# check with its file and line named. A fuzz input that looks like C++ is data and is left alone.
#
# cmake -DSOURCE_DIR=<tree> -DSCRATCH=<empty folder> -P format_check_test.cmake

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/expect_check.cmake)

# The check sees the files git tracks, so each run stages the scratch tree first.
function(run_check expect_failure description)
  execute_process(COMMAND git add -A WORKING_DIRECTORY ${SCRATCH} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "git add failed in ${SCRATCH}")
  endif()
  expect_check("layout check" ${expect_failure} "${description}" ${SCRATCH}/scripts/format --check)
  set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/scripts")
file(COPY "${SOURCE_DIR}/.clang-format" DESTINATION "${SCRATCH}")
file(COPY "${SOURCE_DIR}/scripts/format" "${SOURCE_DIR}/scripts/install-deps"
     DESTINATION "${SCRATCH}/scripts")
execute_process(COMMAND git init -q WORKING_DIRECTORY ${SCRATCH})

string(CONCAT laid_out "#include \"dev/meter.h\"\n\nnamespace dev {\n\n"
       "int Fare(int* units) { return *units * 100; }\n\n}  // namespace dev\n")
file(WRITE "${SCRATCH}/dev/meter.cpp" "${laid_out}")
file(WRITE "${SCRATCH}/fuzz/corpus/meter/seed.h" "int  Fare( int*units ){return 1;}\n")
run_check(FALSE "sources laid out as .clang-format says")

# Writes `text` into `file` in place of what it held, and checks that the layout check fails
# naming the file's line `line`.
function(plant file text line)
  set(path "${SCRATCH}/${file}")
  set(original "")
  if(EXISTS "${path}")
    file(READ "${path}" original)
  endif()
  file(WRITE "${path}" "${text}")
  run_check(TRUE "a fault in ${file}")
  if(NOT output MATCHES "${file}:${line}:")
    message(FATAL_ERROR "the layout check did not name ${file}:${line}:\n${output}")
  endif()
  if(original STREQUAL "")
    file(REMOVE "${path}")
  else()
    file(WRITE "${path}" "${original}")
  endif()
endfunction()

string(REPLACE "int Fare" "int  Fare" spaced "${laid_out}")
plant(dev/meter.cpp "${spaced}" 5)
string(REPLACE "int* units" "int *units" pointer "${laid_out}")
plant(dev/meter.cpp "${pointer}" 5)
plant(dev/meter.h "#include <vector>\n#include <array>\n" 1)
