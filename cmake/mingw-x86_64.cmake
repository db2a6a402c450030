# Cross build for 64-bit Windows with mingw-w64. The product is the 32-bit
# build; this one exists so the Windows tests run on machines whose kernel
# cannot start 32-bit programs (and so cannot run 32-bit Wine).
set(VENNOX_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
