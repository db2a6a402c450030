# Prints the size of the exe and the DLLs it imports, so a stray runtime
# dependency shows in every build log.
file(SIZE "${EXE}" size)
get_filename_component(name "${EXE}" NAME)
message(STATUS "${name}: ${size} bytes")
execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(WARNING "could not list the imports of ${name}")
  return()
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" dlls "${dump}")
foreach(dll IN LISTS dlls)
  message(STATUS "${name} imports ${dll}")
endforeach()
