# CLI11, the header-only argument parser of Debian's libcli11-dev, as the target
# zephyrant_cli11. Builds for Windows take the build machine's headers through a
# copy in the build tree, so the target compiler sees no other build-machine header.
find_path(ZEPHYRANT_CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZEPHYRANT_CLI11_INCLUDE_DIR)
  message(FATAL_ERROR "CLI11 not found: install libcli11-dev (scripts/install-deps.sh build does)")
endif()
add_library(zephyrant_cli11 INTERFACE)
if(WIN32 AND CMAKE_CROSSCOMPILING)
  file(COPY ${ZEPHYRANT_CLI11_INCLUDE_DIR}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)
  target_include_directories(zephyrant_cli11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)
else()
  target_include_directories(zephyrant_cli11 SYSTEM INTERFACE ${ZEPHYRANT_CLI11_INCLUDE_DIR})
endif()
