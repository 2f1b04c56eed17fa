# The one version of everything we ship: the project's, plus "+g<commit>" unless the
# checkout is the release's tag (v<version>), so a build between releases says so. Without
# git (a source tarball) the version stands alone; QM7140_BUILD_ID overrides the suffix.
set(QM7140_BUILD_ID "" CACHE STRING "Text after the version, e.g. a distribution's build (empty: from git)")
set(QM7140_VERSION_FULL ${PROJECT_VERSION})
if(QM7140_BUILD_ID)
  set(QM7140_VERSION_FULL "${PROJECT_VERSION}+${QM7140_BUILD_ID}")
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short HEAD WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE no_commit ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --exact-match HEAD WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE tag OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT no_commit AND NOT tag STREQUAL "v${PROJECT_VERSION}")
      set(QM7140_VERSION_FULL "${PROJECT_VERSION}+g${commit}")
    endif()
    # A commit or a checkout configures again, so the version follows the tree.
    execute_process(COMMAND ${GIT_EXECUTABLE} symbolic-ref -q HEAD WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE branch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    foreach(name HEAD packed-refs ${branch})
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path ${name}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(EXISTS "${file}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
      endif()
    endforeach()
  endif()
endif()
message(STATUS "qm7140 version ${QM7140_VERSION_FULL}")

# <qm7140_version.h> for the programs and the resources of the Windows build.
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${CMAKE_BINARY_DIR}/version/qm7140_version.h @ONLY)
add_library(qm7140_version INTERFACE)
target_include_directories(qm7140_version INTERFACE ${CMAKE_BINARY_DIR}/version)
