# Shared part of the Windows cross toolchains; the including file sets
# REZ_MINGW_TRIPLE (and REZ_MINGW_PROCESSOR) first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${REZ_MINGW_PROCESSOR})

# The -posix variants: the -win32 ones have no std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${REZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${REZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${REZ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${REZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without -static the .exe needs the MinGW runtime DLLs beside it, and under
# Wine it then exits silently.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
