# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, for std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BRASTOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRASTOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRASTOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${BRASTOR_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BRASTOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Statically linked: the programs need no DLL beyond Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# No symbols in the programs that are handed out.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
# GCC 12 at -O3 warns falsely about "literal" + std::string (its bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
