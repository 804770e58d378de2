# 64-bit Windows cross build; its tests run under Wine through CTest.
set(REZ_MINGW_TRIPLE x86_64-w64-mingw32)
set(REZ_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Call the 64-bit loader directly: the "wine" wrapper may pick a 32-bit one,
# which these machines cannot run. WINEPREFIX comes from the environment.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
