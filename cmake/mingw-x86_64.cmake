set(QUILLON_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Windows test binaries run under wine64 on this Linux machine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
