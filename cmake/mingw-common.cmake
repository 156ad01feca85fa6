# Shared part of the Windows cross builds with Debian's mingw-w64 compilers
# (the posix-thread variants, for std::thread). Set SKERROW_MINGW_TRIPLE and
# SKERROW_WINE_LOADER before including this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${SKERROW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SKERROW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SKERROW_MINGW_TRIPLE}-windres)

# Headers and libraries only from the cross tree (zlib from libz-mingw-w64-dev lives there).
set(CMAKE_FIND_ROOT_PATH /usr/${SKERROW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static: libgcc, libstdc++, winpthreads and zlib are linked in,
# so the executables need only the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${SKERROW_WINE_LOADER})
