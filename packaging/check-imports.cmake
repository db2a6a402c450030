# Fails when a program of the Windows folder imports a DLL that Windows does
# not ship: a folder that runs here could then fail on a clean machine.
#   cmake -DOBJDUMP=<objdump> -DFILES=<exe;exe> -P check-imports.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls
  advapi32 bcrypt comctl32 comdlg32 crypt32 dwmapi gdi32 imm32 kernel32 msvcrt ole32 oleaut32
  secur32 shcore shell32 shlwapi user32 uxtheme version winmm ws2_32)
foreach(exe IN LISTS FILES)
  get_filename_component(name "${exe}" NAME)
  execute_process(COMMAND "${OBJDUMP}" -p "${exe}"
                  OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "could not read the imports of ${name}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
  if(NOT lines)
    message(FATAL_ERROR "${name} shows no imported DLLs: is it a Windows program?")
  endif()
  set(found "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" lower)
    string(REGEX REPLACE "\\.dll$" "" base "${lower}")
    if(NOT base IN_LIST system_dlls AND NOT base MATCHES "^api-ms-win-")
      message(FATAL_ERROR "${name} imports ${dll}, which is not part of Windows: "
                          "link it statically")
    endif()
    list(APPEND found "${dll}")
  endforeach()
  list(JOIN found ", " found)
  message(STATUS "${name}: system DLLs only (${found})")
endforeach()
