# Header-only dependencies from Debian packages: Boost (pointer containers, tokenizer) and UTF8-CPP.
# Both builds see them through a folder that holds only links to those two header trees, so the
# cross build never picks up the host's /usr/include.
set(GAMEHOST_SYSTEM_INCLUDE /usr/include CACHE PATH "Where the Boost and UTF8-CPP headers are installed")

set(third_party_include ${PROJECT_BINARY_DIR}/third_party/include)
foreach(tree boost utf8cpp)
  if(NOT EXISTS ${GAMEHOST_SYSTEM_INCLUDE}/${tree})
    message(FATAL_ERROR "${GAMEHOST_SYSTEM_INCLUDE}/${tree} is missing: run scripts/setup")
  endif()
  file(MAKE_DIRECTORY ${third_party_include})
  file(CREATE_LINK ${GAMEHOST_SYSTEM_INCLUDE}/${tree} ${third_party_include}/${tree} SYMBOLIC)
endforeach()

add_library(gamehost_third_party INTERFACE)
add_library(gamehost::third_party ALIAS gamehost_third_party)
target_include_directories(gamehost_third_party SYSTEM INTERFACE ${third_party_include})
