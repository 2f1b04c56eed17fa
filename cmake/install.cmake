# What a user gets: on Linux the library, the hosts, the headers, pkg-config and CMake files,
# the service, the udev rule and the man pages; on Windows the DLL, the host, the headers and
# a README, with the debug files as a component of their own.
set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(QM7140_MAINTAINER "QM7140 module developers <qm7140-dev@qm7140.invalid>" CACHE STRING
  "Maintainer of the packages: name <address>")
# `cmake --install` and cpack take what was built and build nothing (not the tests).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# The DLL exports none of the UI seam's functions: the zip leaves its header out.
set(seam_header)
if(WIN32)
  set(seam_header PATTERN ui.h EXCLUDE)
endif()
install(DIRECTORY include/qm7140 DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT runtime ${seam_header})

if(WIN32)
  # The DLL's own file, not its import library.
  install(PROGRAMS $<TARGET_FILE:qm7140> $<TARGET_FILE:qm7140host> DESTINATION . COMPONENT runtime)
  configure_file(${packaging}/README-windows.txt ${CMAKE_BINARY_DIR}/package/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION . COMPONENT runtime)
  install(FILES $<TARGET_FILE:qm7140>.debug $<TARGET_FILE:qm7140host>.debug DESTINATION . COMPONENT debug)
  return()
endif()

install(TARGETS qm7140 LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
install(TARGETS qm7140-host qm7140-web RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(FILES README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
install(DIRECTORY host/demo/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT runtime)
# What Debian tools look for beside the docs: the copyright and a changelog of their format
# that points at ours. SOURCE_DATE_EPOCH, when set, fixes its date.
string(TIMESTAMP QM7140_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${packaging}/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
find_program(GZIP gzip REQUIRED)
execute_process(COMMAND ${GZIP} -9nf ${CMAKE_BINARY_DIR}/package/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${packaging}/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
  COMPONENT runtime)

configure_file(${packaging}/qm7140.pc.in ${CMAKE_BINARY_DIR}/package/qm7140.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/qm7140.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT runtime)

include(CMakePackageConfigHelpers)
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/qm7140)
file(RELATIVE_PATH QM7140_CONFIG_TO_PREFIX /${config_dir} /)
configure_file(${packaging}/qm7140Config.cmake.in ${CMAKE_BINARY_DIR}/package/qm7140Config.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/qm7140ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/qm7140Config.cmake ${CMAKE_BINARY_DIR}/package/qm7140ConfigVersion.cmake
  DESTINATION ${config_dir} COMPONENT runtime)

# The system's own places, whatever the prefix: systemd and udev read only these.
install(FILES ${packaging}/qm7140-web.service DESTINATION /lib/systemd/system COMPONENT runtime)
install(FILES ${packaging}/60-qm7140.rules DESTINATION /lib/udev/rules.d COMPONENT runtime)
install(FILES ${packaging}/qm7140-web.default DESTINATION /etc/default RENAME qm7140-web COMPONENT runtime)

# Man pages from the programs' own --help and --version.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(pages)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
  set(name_qm7140-host "the QM7140 module's dialogs played from a terminal")
  set(name_qm7140-web "the QM7140 module's dialogs in a browser")
  foreach(program qm7140-host qm7140-web)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 --source=QM7140 --name=${name_${program}}
        --output=${CMAKE_BINARY_DIR}/man/${program}.1 $<TARGET_FILE:${program}>
      COMMAND ${GZIP} -9nf ${CMAKE_BINARY_DIR}/man/${program}.1
      DEPENDS ${program} qm7140
      COMMENT "Man page of ${program} from its --help"
      VERBATIM)
    list(APPEND pages ${page})
  endforeach()
  add_custom_target(qm7140_man_pages ALL DEPENDS ${pages})
  # The pages as `man` shows them; the .deb's test reads the installed ones the same way.
  add_test(NAME ManPages.ReadAsText
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/man_pages.sh ${CMAKE_BINARY_DIR}/man $<TARGET_FILE_DIR:qm7140-host>)
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
else()
  message(STATUS "no help2man: no man pages (./run package installs it)")
endif()
