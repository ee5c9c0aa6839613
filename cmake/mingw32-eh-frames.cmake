# GCC's libstdc++ for mingw-w64 puts the unwind entry of every template instantiation in a
# section of its own, ".eh_frame$<function>", marked COMDAT but with no symbol to select it by.
# GNU ld keeps those sections; lld discards them, so an exception thrown through such a function
# (std::string's members, operator new's callers, ...) finds no unwind entry and ends in
# std::terminate. This makes copies of the affected archives with those sections renamed to plain
# ".eh_frame", once per build folder, into gamehost_repaired_runtime, which the link searches
# before GCC's folder.
#
# An entry whose function the link drops (another object's copy of the same inline function is
# kept) stays with its address unrelocated, so it describes bytes of .eh_frame itself: no code
# lies there, so no unwind ever looks it up.
set(gamehost_repaired_runtime ${CMAKE_BINARY_DIR}/mingw-runtime)

get_property(_gamehost_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT _gamehost_in_try_compile AND NOT EXISTS ${gamehost_repaired_runtime}/done)
  file(MAKE_DIRECTORY ${gamehost_repaired_runtime})
  foreach(_archive libstdc++.a libsupc++.a libstdc++fs.a)
    set(_copy ${gamehost_repaired_runtime}/${_archive})
    file(COPY_FILE ${gamehost_gcc_dir}/${_archive} ${_copy})
    execute_process(COMMAND ${gamehost_triple}-objdump -h ${_copy}
                    OUTPUT_VARIABLE _sections COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "\\.eh_frame\\$[^ \n]+" _names "${_sections}")
    list(REMOVE_DUPLICATES _names)
    set(_renames)
    foreach(_name IN LISTS _names)
      list(APPEND _renames --rename-section ${_name}=.eh_frame,contents,alloc,load,readonly,data)
    endforeach()
    if(_renames)
      execute_process(COMMAND ${gamehost_triple}-objcopy ${_renames} ${_copy} COMMAND_ERROR_IS_FATAL ANY)
    endif()
    list(LENGTH _names _count)
    message(STATUS "Repaired unwind entries of ${_archive}: ${_count} sections")
  endforeach()
  file(TOUCH ${gamehost_repaired_runtime}/done)
endif()
