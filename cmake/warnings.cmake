# Warning flags for the project's own targets (not for third-party code built alongside).
option(WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(gamehost_warnings INTERFACE)
add_library(gamehost::warnings ALIAS gamehost_warnings)
target_compile_options(gamehost_warnings INTERFACE -Wall -Wextra
  # GCC 12 reports moves of std::basic_string through inlined library code as possibly
  # uninitialised at -O2 (GCC bug 105562 and its siblings): false positives only.
  $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>
  $<$<BOOL:${WARNINGS_AS_ERRORS}>:-Werror>)
