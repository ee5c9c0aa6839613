# Cross toolchain for the 64-bit product: x64 Windows images from Debian's mingw-w64 GCC with
# DWARF 4 debug information, which 64-bit Wine's DbgHelp reads.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(gamehost_triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-gcc.cmake)
