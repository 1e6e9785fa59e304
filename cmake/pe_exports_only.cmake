# A Windows DLL exports exactly the named functions, undecorated, and nothing else.
#   cmake -DOBJDUMP=... -DLIBRARY=file.dll "-DEXPORTS=Name;..." -P pe_exports_only.cmake
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} failed")
endif()
# objdump lists the export names after the "[Ordinal/Name Pointer] Table" line, one
# "[ n] Name" line each (older versions write "[ n] +base[ n] 0001 Name").
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]*\\[[^\n]*\n)*)" table "${dump}")
set(found)
string(REGEX MATCHALL "[^\n]+" rows "${CMAKE_MATCH_1}")
foreach(row IN LISTS rows)
  string(REGEX REPLACE ".*[ \t]([^ \t]+)[ \t]*$" "\\1" name "${row}")
  list(APPEND found ${name})
endforeach()
list(SORT found)
set(wanted ${EXPORTS})
list(SORT wanted)
if(NOT found STREQUAL wanted)
  message(FATAL_ERROR "exports of ${LIBRARY}: ${found}\nexpected: ${wanted}")
endif()
