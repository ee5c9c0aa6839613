# gamehost_add_module(<target> SOURCES <files>... [EXPORTS <names>...])
#
# Builds a game module, "GameModule.dll", with mingw-w64. The module defines
#     extern "C" IGameModuleFactory* __stdcall createFactory();
# and the function exports it under the name the host looks for, MSVC's decoration of that
# declaration: "_createFactory@0" on x86, through a generated .def file, and plain "createFactory"
# on x64, where nothing is decorated; EXPORTS adds further plain C exports. The runtime is linked statically, so no compiler DLL has to ship with the module.
#
# Built with clang and lld (the SDK's toolchain file, cmake/mingw32.cmake), the module comes with
# its PDB, "GameModule.pdb" beside "GameModule.dll", whatever the build type: crash reports on a
# player's Windows name the module's frames from it. GCC's DWARF (cmake/mingw64.cmake, x64) is
# read by Wine only.

# Outside this project (an installed SDK) the headers and the XML library sit beside this file,
# the library once per width (lib/x86, lib/x64): the toolchain's width picks it.
if(NOT TARGET gamehost::boundary)
  get_filename_component(_gamehost_sdk ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
  # Without a toolchain file CMake takes the machine's own compiler, and the build would fail much
  # later, on windows.h.
  if(NOT WIN32)
    message(FATAL_ERROR "The compiler ${CMAKE_CXX_COMPILER} does not build for Windows. Configure with one of the "
                        "SDK's toolchain files: -DCMAKE_TOOLCHAIN_FILE=${_gamehost_sdk}/cmake/mingw32.cmake (x86) "
                        "or ${_gamehost_sdk}/cmake/mingw64.cmake (x64), in a new build folder.")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_gamehost_width x64)
  else()
    set(_gamehost_width x86)
  endif()
  set(_gamehost_xml_library ${_gamehost_sdk}/lib/${_gamehost_width}/libgamehost_xml.a)
  if(NOT EXISTS ${_gamehost_xml_library})
    message(FATAL_ERROR "This SDK holds no ${_gamehost_width} build of the XML library (${_gamehost_xml_library}). "
                        "It is installed with the ${_gamehost_width} product: cmake --install build/win32 (x86) "
                        "or build/win64 (x64) --prefix <the SDK's folder>.")
  endif()
  add_library(gamehost::boundary INTERFACE IMPORTED)
  # The headers use C++17 (string views among others): a module's project need not say so itself.
  set_target_properties(gamehost::boundary PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${_gamehost_sdk}/include
    INTERFACE_COMPILE_FEATURES cxx_std_17)
  # The XML headers include two header-only libraries, Boost (pointer containers, tokenizer) and
  # UTF8-CPP, from where Debian installs them (libboost-dev, libutfcpp-dev). The cross compiler sees
  # them through a folder that links to those two trees only, never to the rest of /usr/include.
  set(GAMEHOST_SYSTEM_INCLUDE /usr/include CACHE PATH "Where the Boost and UTF8-CPP headers are installed")
  set(_gamehost_third_party ${CMAKE_BINARY_DIR}/gamehost_third_party)
  foreach(tree boost utf8cpp)
    if(EXISTS ${GAMEHOST_SYSTEM_INCLUDE}/${tree})
      file(MAKE_DIRECTORY ${_gamehost_third_party})
      file(CREATE_LINK ${GAMEHOST_SYSTEM_INCLUDE}/${tree} ${_gamehost_third_party}/${tree} SYMBOLIC)
    else()
      message(STATUS "${GAMEHOST_SYSTEM_INCLUDE}/${tree} is missing: modules that include the XML headers will not "
                     "compile (Debian: libboost-dev libutfcpp-dev; or set GAMEHOST_SYSTEM_INCLUDE)")
    endif()
  endforeach()
  add_library(gamehost::xml STATIC IMPORTED)
  set_target_properties(gamehost::xml PROPERTIES
    IMPORTED_LOCATION ${_gamehost_xml_library}
    INTERFACE_INCLUDE_DIRECTORIES "${_gamehost_sdk}/include;${_gamehost_third_party}"
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${_gamehost_third_party}
    INTERFACE_LINK_LIBRARIES "gamehost::boundary;shlwapi")
  # x64: the stack probe with unwind data (src/stack_probe.cpp says why), compiled into each module.
  if(_gamehost_width STREQUAL x64)
    add_library(gamehost::stack_probe INTERFACE IMPORTED)
    set_target_properties(gamehost::stack_probe PROPERTIES INTERFACE_SOURCES ${_gamehost_sdk}/src/stack_probe.cpp)
  endif()
endif()

# As in the project: the pure-virtual handler's linker name, with x86's leading underscore.
if(NOT DEFINED GAMEHOST_PURE_VIRTUAL_SYMBOL)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(GAMEHOST_PURE_VIRTUAL_SYMBOL __cxa_pure_virtual)
  else()
    set(GAMEHOST_PURE_VIRTUAL_SYMBOL ___cxa_pure_virtual)
  endif()
endif()

function(gamehost_add_module target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;EXPORTS")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(exports "EXPORTS\ncreateFactory\n")
  else()
    set(exports "EXPORTS\n_createFactory@0 = createFactory@0\n")
  endif()
  foreach(name IN LISTS arg_EXPORTS)
    string(APPEND exports "${name}\n")
  endforeach()
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  file(CONFIGURE OUTPUT ${def} CONTENT "${exports}")

  add_library(${target} SHARED ${arg_SOURCES} ${def})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME GameModule)
  # -u: a pure virtual call must reach the runtime's handler (std::terminate), which a static
  # link would otherwise leave out, turning the call into a jump to address 0.
  target_link_options(${target} PRIVATE -static -Wl,-u,${GAMEHOST_PURE_VIRTUAL_SYMBOL})
  target_link_libraries(${target} PRIVATE gamehost::boundary)
  if(TARGET gamehost::stack_probe)  # in this project every x64 image has it already
    target_link_libraries(${target} PRIVATE gamehost::stack_probe)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # %_PDB%: the image names its PDB by file name, found beside it rather than at a build path.
    target_compile_options(${target} PRIVATE -g -gcodeview)
    target_link_options(${target} PRIVATE -fuse-ld=lld -Wl,--pdb= -Wl,-Xlink=-pdbaltpath:%_PDB%)
  elseif(NOT GAMEHOST_DEBUG_INFO STREQUAL "dwarf")
    message(WARNING "${target}: built by ${CMAKE_CXX_COMPILER_ID}, the module gets no PDB, and crash reports on "
                    "Windows will show its frames as addresses only. Configure with the SDK's cmake/mingw32.cmake "
                    "toolchain (clang and lld) to get one.")
  endif()
endfunction()
