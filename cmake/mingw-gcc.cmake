# The common part of the toolchains that build with Debian's mingw-w64 GCC (mingw32-dwarf.cmake,
# mingw64.cmake), for the target `gamehost_triple`: DWARF 4 debug information, which Wine's
# DbgHelp reads (it reads nothing of DWARF 5, GCC 12's default for plain -g; a later plain -g of
# RelWithDebInfo or Debug keeps the version chosen here), and a static runtime. The POSIX-threads
# variant is required: the win32-threads one has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(GAMEHOST_DEBUG_INFO dwarf)

set(CMAKE_C_COMPILER ${gamehost_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${gamehost_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${gamehost_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${gamehost_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_C_FLAGS_INIT "-gdwarf-4")
set(CMAKE_CXX_FLAGS_INIT "-gdwarf-4")

# No compiler DLL (libgcc, libstdc++, winpthread) has to sit beside an executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
