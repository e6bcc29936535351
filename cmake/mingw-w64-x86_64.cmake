# Cross-builds the Windows programs with Debian's MinGW-w64 (the POSIX-threads flavour, for
# std::thread and std::mutex), linked statically so the .exe needs no DLL of its own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(R7K_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${R7K_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${R7K_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${R7K_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${R7K_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
