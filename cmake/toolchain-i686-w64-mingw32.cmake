# 32-bit Windows cross build, the tool's first platform. Built and linked
# only: 32-bit code cannot run on these machines, so no emulator is set.
set(REZ_MINGW_TRIPLE i686-w64-mingw32)
set(REZ_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
