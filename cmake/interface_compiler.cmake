# The compiler of the simulated cell's interface descriptions (tools/cellsim/idl):
# widl (mingw-w64-tools; on MSYS2 its tools package) or, with Visual Studio, midl. It
# makes the C++ declarations and a type library per bitness from one .idl file.
#
# tessaly_compile_idl(IDL HEADER TLB32 TLB64) adds the commands; TESSALY_CELL_TOOLS is
# ON where the compiler and what it imports were found. Cross-compiling on Linux they
# must be; a build on Windows without them leaves the cell, and what needs it, out.

set(TESSALY_CELL_TOOLS OFF)
if(NOT WIN32)
  return()
endif()

if(MSVC)
  find_program(TESSALY_MIDL midl)
  if(TESSALY_MIDL)
    set(TESSALY_CELL_TOOLS ON)
  endif()
else()
  find_program(TESSALY_WIDL NAMES ${TOOLCHAIN_PREFIX}-widl x86_64-w64-mingw32-widl i686-w64-mingw32-widl widl)
  # oaidl.idl: Debian's libwine-dev, or the compiler's own include folder (MSYS2).
  set(TESSALY_IDL_INCLUDE "")
  foreach(dir /usr/include/wine/wine/windows /usr/include/wine/windows ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
    if(NOT TESSALY_IDL_INCLUDE AND EXISTS ${dir}/oaidl.idl)
      set(TESSALY_IDL_INCLUDE ${dir})
    endif()
  endforeach()
  # stdole2.tlb: Wine's, or Windows' own.
  set(TESSALY_STDOLE "")
  file(TO_CMAKE_PATH "$ENV{SystemRoot}" system_root)
  foreach(dir /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
              /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows ${system_root}/System32)
    if(NOT TESSALY_STDOLE AND EXISTS ${dir}/stdole2.tlb)
      set(TESSALY_STDOLE ${dir})
    endif()
  endforeach()
  if(TESSALY_WIDL AND TESSALY_IDL_INCLUDE AND TESSALY_STDOLE)
    set(TESSALY_CELL_TOOLS ON)
  endif()
endif()

if(NOT TESSALY_CELL_TOOLS)
  set(missing "the simulated cell needs widl (Debian: mingw-w64-tools, '${TESSALY_WIDL}'), oaidl.idl (Debian: "
              "libwine-dev, '${TESSALY_IDL_INCLUDE}') and stdole2.tlb (Debian: wine64, '${TESSALY_STDOLE}'), "
              "or midl with Visual Studio")
  if(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "${missing}.")
  endif()
  message(WARNING "${missing}: the cell, the end-to-end tests and the benchmark over COM are left out.")
  return()
endif()

function(tessaly_compile_idl idl header tlb32 tlb64)
  if(MSVC)
    add_custom_command(OUTPUT ${header} ${tlb32}
                       COMMAND ${TESSALY_MIDL} /nologo /env win32 /h ${header} /tlb ${tlb32} ${idl}
                       DEPENDS ${idl} VERBATIM)
    add_custom_command(OUTPUT ${tlb64} COMMAND ${TESSALY_MIDL} /nologo /env x64 /tlb ${tlb64} ${idl}
                       DEPENDS ${idl} VERBATIM)
    return()
  endif()
  set(widl ${TESSALY_WIDL} -I${TESSALY_IDL_INCLUDE} -L${TESSALY_STDOLE})
  add_custom_command(OUTPUT ${header} COMMAND ${widl} -h -H ${header} ${idl} DEPENDS ${idl} VERBATIM)
  add_custom_command(OUTPUT ${tlb32} COMMAND ${widl} --win32 -t -o ${tlb32} ${idl} DEPENDS ${idl} VERBATIM)
  add_custom_command(OUTPUT ${tlb64} COMMAND ${widl} --win64 -t -o ${tlb64} ${idl} DEPENDS ${idl} VERBATIM)
endfunction()
