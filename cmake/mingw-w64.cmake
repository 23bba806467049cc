# Cross-compiling for 64-bit Windows with mingw-w64 (Debian's packages). The programs are linked
# statically, so they need no MinGW DLLs beside them; GUI programs use the Windows subsystem
# (WIN32 in add_executable).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTRILON_MINGW_TRIPLE x86_64-w64-mingw32)

# The posix thread flavour carries std::thread and std::mutex; it is linked in statically too.
find_program(CMAKE_CXX_COMPILER NAMES ${KESTRILON_MINGW_TRIPLE}-g++-posix ${KESTRILON_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${KESTRILON_MINGW_TRIPLE}-gcc-posix ${KESTRILON_MINGW_TRIPLE}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${KESTRILON_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRILON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
