# cmake -DNM=<nm> -DEXE=<tessaly.exe> -P check_no_sim_symbols.cmake
# Fails when the program holds a symbol of namespace tessaly::sim, the simulations'.
# A program without a symbol table of its own (stripped) fails too: nothing could be
# checked. A program that fails is removed, so that the next build links and checks it
# again instead of finding it up to date.
function(fail)
  file(REMOVE "${EXE}")
  string(JOIN "" text ${ARGV})
  message(FATAL_ERROR "${text}")
endfunction()

execute_process(COMMAND "${NM}" --demangle "${EXE}"
  OUTPUT_VARIABLE symbols ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  fail("${NM} could not read ${EXE}: ${errors}")
endif()
if(NOT symbols MATCHES "tessaly::")
  fail("${EXE} has no symbols of tessaly to check for simulation code (stripped?)")
endif()
string(REGEX MATCHALL "[^\n]*tessaly::sim::[^\n]*" found "${symbols}")
if(found)
  list(LENGTH found count)
  list(SUBLIST found 0 5 some)
  list(JOIN some "\n  " shown)
  fail("${EXE} holds ${count} symbols of the simulations (tessaly::sim), which only tests "
       "and tools may link. For example:\n  ${shown}")
endif()
