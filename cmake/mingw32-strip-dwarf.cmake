# Every linked image loses its DWARF sections (left there by the runtime libraries); its PDB and
# the CodeView record that names it stay. Loaded after the platform's rules, which it extends.
foreach(_rule CMAKE_C_LINK_EXECUTABLE CMAKE_CXX_LINK_EXECUTABLE CMAKE_C_CREATE_SHARED_LIBRARY
              CMAKE_CXX_CREATE_SHARED_LIBRARY CMAKE_C_CREATE_SHARED_MODULE CMAKE_CXX_CREATE_SHARED_MODULE)
  if(DEFINED ${_rule} AND NOT ${_rule} MATCHES "strip-debug")
    string(APPEND ${_rule} " && ${CMAKE_OBJCOPY} --strip-debug <TARGET>")
  endif()
endforeach()
