# Fails the build when an operating-system or toolkit header is included outside the folders that
# may use it: the core folders stay portable, only src/platform/linux talks to the system and only
# src/ui/qt to Qt (the page models in src/ui stay toolkit-free).
add_custom_target(header_rules ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/check_headers.cmake
  COMMENT "Checking which folders include system headers"
  VERBATIM)
