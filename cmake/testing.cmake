# GoogleTest for both builds, and the one helper that adds a test executable.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  # Debian ships GoogleTest's sources; the cross build compiles them with the cross compiler.
  # They define the same GTest:: targets as the installed package does.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

# add_unit_test(NAME SOURCES... [LIBRARIES libs...] [RUNS_GAME] [ADDRESS_SPACE_OF_32_BITS])
# RUNS_GAME: the tests start game.exe, which allows one copy per machine, or use the folders a game
# shares ("My Games" under the documents); CTest runs them one at a time.
# ADDRESS_SPACE_OF_32_BITS: in the 64-bit build, the tests' processes get 3 GB of address space, so
# that an allocation that cannot succeed in a 32-bit process fails there as well.
function(add_unit_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "RUNS_GAME;ADDRESS_SPACE_OF_32_BITS" "" "SOURCES;LIBRARIES")
  add_executable(${name} ${arg_SOURCES} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main gamehost::warnings)
  set(properties TIMEOUT 120)
  if(arg_RUNS_GAME)
    list(APPEND properties RESOURCE_LOCK game_exe)
  endif()
  if(arg_ADDRESS_SPACE_OF_32_BITS AND CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND properties ENVIRONMENT WINE_RUN_ADDRESS_SPACE_KB=3000000)
  endif()
  # Listing happens at test time, so under Wine for the cross build, never at build time.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()
