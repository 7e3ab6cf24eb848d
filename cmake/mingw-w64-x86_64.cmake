# Cross-build for 64-bit Windows with Debian's mingw-w64 (posix threads variant, so that
# std::thread and std::mutex work), linked statically so the executables need no DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CARECFG_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CARECFG_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CARECFG_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CARECFG_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CARECFG_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
