# Cross toolchain for the crash report's tests: 32-bit Windows executables from Debian's mingw-w64
# GCC with DWARF debug information. Wine's DbgHelp reads the whole report (caller frames,
# variables, globals) from GCC's DWARF, but from a PDB only the modules and the first frame; the
# product is built with PDBs (mingw32.cmake) and this build checks the rest of the report.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(gamehost_triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-gcc.cmake)
