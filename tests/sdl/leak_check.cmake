# The leak check sees the program's own SDL leaks: with the suppressions of
# tests/lsan.supp, the probe that loses nothing ends clean, and the one that
# loses a surface is reported, down to the function that lost it.
#   cmake -DPROBE=yomite_leak_probe -DSUPPRESSIONS=tests/lsan.supp -P leak_check.cmake
cmake_minimum_required(VERSION 3.22)

function(run_probe mode status_var output_var)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "ASAN_OPTIONS=detect_leaks=1"
            "LSAN_OPTIONS=suppressions=${SUPPRESSIONS}:print_suppressions=0:fast_unwind_on_malloc=0"
            ${PROBE} ${mode}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${status_var} "${status}" PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

run_probe(none status output)
if(NOT status EQUAL 0 OR output MATCHES "leak of")
  message(FATAL_ERROR "the probe that loses nothing was reported (status ${status}):\n${output}")
endif()

run_probe(surface status output)
if(status EQUAL 0 OR NOT output MATCHES "Direct leak of [0-9]+ byte")
  message(FATAL_ERROR "the lost surface was not reported (status ${status}):\n${output}")
endif()
if(NOT output MATCHES "LoseSurface")
  message(FATAL_ERROR "the report does not name the function that lost the surface:\n${output}")
endif()
message(STATUS "the lost surface is reported; nothing else is")
