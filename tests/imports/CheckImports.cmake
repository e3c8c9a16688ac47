# Fails when Tarvel.exe imports a DLL the start-up should not wait for:
# comctl32, which costs more to load than the first paint's buttons, is
# loaded with the first tool tip instead; oleacc, which only an accessibility
# client needs, when the first one asks.
# usage: cmake -DOBJDUMP=<objdump> -DEXE=<Tarvel.exe> -P CheckImports.cmake
cmake_minimum_required(VERSION 3.20)
set(not_at_start comctl32.dll oleacc.dll)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot read the imports of ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
string(TOLOWER "${names}" names)
set(count 0)
foreach(entry ${names})
  string(REPLACE "dll name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  math(EXPR count "${count} + 1")
  if(dll IN_LIST not_at_start)
    message(FATAL_ERROR "Tarvel.exe imports ${dll}: it is loaded before the program's first line")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
message(STATUS "${count} imports, none of: ${not_at_start}")
