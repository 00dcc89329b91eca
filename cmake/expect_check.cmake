# What the tests that prove a check can fail share: runs the check and stops the test when its
# outcome is not the one expected, leaving the check's output in `output`.
#
#   expect_check(CHECK_NAME EXPECT_FAILURE DESCRIPTION COMMAND...)

function(expect_check check_name expect_failure description)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(expect_failure AND status EQUAL 0)
    message(FATAL_ERROR "the ${check_name} let ${description} through")
  elseif(NOT expect_failure AND NOT status EQUAL 0)
    message(FATAL_ERROR "the ${check_name} refused ${description}:\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()
