# Cross toolchain for the crash report's tests: 32-bit Windows executables from Debian's mingw-w64
# GCC with DWARF debug information. Wine's DbgHelp reads the whole report (caller frames,
# variables, globals) from GCC's DWARF, but from a PDB only the modules and the first frame; the
# product is built with PDBs (mingw32.cmake) and this build checks the rest of the report.
# The POSIX-threads variant is required: the win32-threads one has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(GAMEHOST_DEBUG_INFO dwarf)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine's DbgHelp reads DWARF 4 but nothing from DWARF 5, GCC 12's default for plain -g.
# A later plain -g (RelWithDebInfo, Debug) keeps the version chosen here.
set(CMAKE_C_FLAGS_INIT "-gdwarf-4")
set(CMAKE_CXX_FLAGS_INIT "-gdwarf-4")

# No compiler DLL (libgcc, libstdc++, winpthread) has to sit beside an executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
