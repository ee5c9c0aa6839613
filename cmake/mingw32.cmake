# Cross toolchain for the product: 32-bit Windows images with PDB debug information, which
# Microsoft's DbgHelp reads on a player's machine (it reads no DWARF).
#
# clang compiles for the mingw-w64 target against Debian's mingw-w64 runtime and GCC's libstdc++
# (the POSIX-threads variant: the win32-threads one has no std::mutex or std::thread), so the
# C++ ABI, the DW2 exception model and the module boundary are those of a GCC build. lld links
# and writes "<image>.pdb" beside every image; the image's CodeView record names the PDB by its
# file name only, so DbgHelp looks for it along its search path (the image's folder among them)
# rather than at this machine's build path. The DWARF that Debian's runtime libraries bring
# along is stripped from every image after linking: an image carries only its PDB's record.
#
# Used by this project's presets and, installed with the SDK, by a studio's module build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(GAMEHOST_DEBUG_INFO pdb)

set(gamehost_triple i686-w64-mingw32)
set(gamehost_gcc_dir /usr/lib/gcc/${gamehost_triple}/12-posix)

set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${gamehost_triple})
set(CMAKE_CXX_COMPILER_TARGET ${gamehost_triple})
set(CMAKE_RC_COMPILER ${gamehost_triple}-windres)
set(CMAKE_OBJCOPY llvm-objcopy-14)

set(CMAKE_FIND_ROOT_PATH /usr/${gamehost_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic rather than x87: every CPU that runs a supported Windows has it, and doubles
# then round as they do on x86-64 instead of carrying x87's excess precision.
set(_gamehost_cpu "-msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "-gcodeview ${_gamehost_cpu}")
set(CMAKE_CXX_FLAGS_INIT "-gcodeview ${_gamehost_cpu} -nostdinc++ -isystem ${gamehost_gcc_dir}/include/c++ \
-isystem ${gamehost_gcc_dir}/include/c++/${gamehost_triple} -isystem ${gamehost_gcc_dir}/include/c++/backward")

# -B: GCC's crtbegin.o, which registers the DW2 unwind tables (mingw-w64's own is a stub and every
# throw would end in terminate). The repaired libstdc++ (below) comes before GCC's own.
# -static: no compiler DLL (libgcc, libstdc++, winpthread) has to sit beside an image.
include(${CMAKE_CURRENT_LIST_DIR}/mingw32-eh-frames.cmake)
set(_gamehost_link "-static -fuse-ld=lld -B${gamehost_gcc_dir} -L${gamehost_repaired_runtime} \
-L${gamehost_gcc_dir} -Wl,--pdb= -Wl,-Xlink=-pdbaltpath:%_PDB% -lpthread -Wno-unused-command-line-argument")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_gamehost_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_gamehost_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_gamehost_link}")

# Strips the DWARF after every link (the rules are set after the platform's, from this file).
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/mingw32-strip-dwarf.cmake)
