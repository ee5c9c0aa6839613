# cmake -DREADOBJ=<llvm-readobj> -DIMAGE=<game.exe> -DDEF=<out.def> -P exports_def.cmake
# Writes a module-definition file that lists the exports an image really has.
execute_process(COMMAND ${READOBJ} --coff-exports ${IMAGE} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "Name: [^\n]+" names "${listing}")
get_filename_component(image_name ${IMAGE} NAME)
set(def "LIBRARY ${image_name}\nEXPORTS\n")
foreach(line IN LISTS names)
  string(REGEX REPLACE "^Name: " "" name "${line}")
  string(APPEND def "  ${name}\n")
endforeach()
file(WRITE ${DEF} "${def}")
