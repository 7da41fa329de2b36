# Runs a Windows test program under Wine with the display's DPI set to DPI (LogPixels of
# the current user), and sets it back afterwards. The program reads TESSALY_EXPECTED_DPI
# to check that the setting reached it. A run in which no test ran fails: a filter that
# matches nothing (a suite renamed) would otherwise pass.
#   cmake -DWINE=<wine> -DDPI=<dpi> -DPROGRAM=<exe> [-DARGS=<arg;...>] -P run_at_dpi.cmake
cmake_minimum_required(VERSION 3.20)
foreach(var WINE DPI PROGRAM)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_at_dpi: ${var} not given")
  endif()
endforeach()
set(key "HKCU\\Control Panel\\Desktop")
execute_process(COMMAND "${WINE}" reg add "${key}" /v LogPixels /t REG_DWORD /d ${DPI} /f
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "run_at_dpi: could not set LogPixels to ${DPI}")
endif()
set(ENV{TESSALY_EXPECTED_DPI} ${DPI})
execute_process(COMMAND "${WINE}" "${PROGRAM}" ${ARGS} RESULT_VARIABLE result OUTPUT_VARIABLE output)
execute_process(COMMAND "${WINE}" reg delete "${key}" /v LogPixels /f OUTPUT_QUIET ERROR_QUIET)
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} failed at ${DPI} dpi: ${result}")
endif()
# GoogleTest's "[==========] Running N tests from M test suites." (1.12 has no
# --gtest_fail_if_no_test_selected).
if(NOT output MATCHES "Running ([0-9]+) tests? from" OR CMAKE_MATCH_1 EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ran no test at ${DPI} dpi (ARGS: ${ARGS})")
endif()
