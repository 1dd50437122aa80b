# Installation rules, the Debian package of korvcmp, and the zip for Windows.
#
#   cmake --install <build> [--prefix <dir>]   installs bin/korvcmp and share/man/man1/korvcmp.1[.gz]
#   cd <build> && cpack -G DEB                  builds korvcmp_<version>_<arch>.deb
#
# A Windows build (cross or native) installs korvcmp.exe, README.txt and the
# manual as plain text, korvcmp.txt, side by side, with CR LF line ends:
#   cd <build> && cpack -G ZIP                  builds korvcmp-<version>-win64.zip
#
# Everything is installed in the component "korvcmp", and CPack packs that
# component alone, so install rules that third-party code may add (a test
# framework, for instance) never end up in the package.

include(GNUInstallDirs)

set(KORVCMP_MANPAGE_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/man/korvcmp.1)

if(WIN32)
  # --- Windows: one folder holding korvcmp.exe, README.txt and korvcmp.txt ---
  if(TARGET korvcmp)
    install(TARGETS korvcmp RUNTIME DESTINATION . COMPONENT korvcmp)
  endif()
  find_program(KORVCMP_GROFF_EXECUTABLE NAMES groff)
  mark_as_advanced(KORVCMP_GROFF_EXECUTABLE)
  set(_korvcmp_text_dir ${CMAKE_CURRENT_BINARY_DIR}/windows-text)
  set(_korvcmp_texts ${_korvcmp_text_dir}/README.txt)
  add_custom_command(
    OUTPUT ${_korvcmp_text_dir}/README.txt
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/README.md
            -DOUTPUT=${_korvcmp_text_dir}/README.txt
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows_text_file.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows_text_file.cmake
    COMMENT "README.txt for the Windows package"
    VERBATIM)
  if(KORVCMP_GROFF_EXECUTABLE AND EXISTS ${KORVCMP_MANPAGE_SOURCE})
    list(APPEND _korvcmp_texts ${_korvcmp_text_dir}/korvcmp.txt)
    add_custom_command(
      OUTPUT ${_korvcmp_text_dir}/korvcmp.txt
      COMMAND ${CMAKE_COMMAND} -DINPUT=${KORVCMP_MANPAGE_SOURCE}
              -DOUTPUT=${_korvcmp_text_dir}/korvcmp.txt -DGROFF=${KORVCMP_GROFF_EXECUTABLE}
              -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows_text_file.cmake
      DEPENDS ${KORVCMP_MANPAGE_SOURCE} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows_text_file.cmake
      COMMENT "The manual as plain text, korvcmp.txt, for the Windows package"
      VERBATIM)
  else()
    message(WARNING "Packaging: groff not found (Debian: groff-base), the Windows package has no manual")
  endif()
  add_custom_target(korvcmp_windows_texts ALL DEPENDS ${_korvcmp_texts})
  install(FILES ${_korvcmp_texts} DESTINATION . COMPONENT korvcmp)
else()
  # --- Executable ---------------------------------------------------------------
  if(TARGET korvcmp)
    install(TARGETS korvcmp
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
            COMPONENT korvcmp)
  else()
    message(WARNING "Packaging: no target 'korvcmp', the executable is not installed")
  endif()

  # --- Manual page --------------------------------------------------------------
  # Debian wants compressed manual pages. gzip -n leaves out the name and time
  # stamp, so the compressed page is the same from one build to the next.
  find_program(KORVCMP_GZIP_EXECUTABLE NAMES gzip)
  mark_as_advanced(KORVCMP_GZIP_EXECUTABLE)

  if(EXISTS ${KORVCMP_MANPAGE_SOURCE})
    if(KORVCMP_GZIP_EXECUTABLE)
      set(_korvcmp_man_dir ${CMAKE_CURRENT_BINARY_DIR}/man)
      set(_korvcmp_man_gz ${_korvcmp_man_dir}/korvcmp.1.gz)
      add_custom_command(
        OUTPUT ${_korvcmp_man_gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_korvcmp_man_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${KORVCMP_MANPAGE_SOURCE} ${_korvcmp_man_dir}/korvcmp.1
        COMMAND ${KORVCMP_GZIP_EXECUTABLE} -9 -n -f ${_korvcmp_man_dir}/korvcmp.1
        DEPENDS ${KORVCMP_MANPAGE_SOURCE}
        COMMENT "Compressing manual page korvcmp.1"
        VERBATIM)
      add_custom_target(korvcmp_manpage ALL DEPENDS ${_korvcmp_man_gz})
      install(FILES ${_korvcmp_man_gz}
              DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
              COMPONENT korvcmp)
    else()
      message(STATUS "Packaging: gzip not found, the manual page is installed uncompressed")
      install(FILES ${KORVCMP_MANPAGE_SOURCE}
              DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
              COMPONENT korvcmp)
    endif()
  else()
    message(WARNING "Packaging: ${KORVCMP_MANPAGE_SOURCE} is missing, no manual page is installed")
  endif()

  # --- Test: the manual page renders without warnings ----------------------------
  if(KORVCMP_BUILD_TESTS AND EXISTS ${KORVCMP_MANPAGE_SOURCE})
    find_program(KORVCMP_GROFF_EXECUTABLE NAMES groff)
    mark_as_advanced(KORVCMP_GROFF_EXECUTABLE)
    if(KORVCMP_GROFF_EXECUTABLE)
      add_test(NAME manpage_lint
               COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/lint_manpage.sh
                       ${KORVCMP_MANPAGE_SOURCE}
                       "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
      set_tests_properties(manpage_lint PROPERTIES LABELS "packaging")
    else()
      message(STATUS "Packaging: groff not found, test manpage_lint is not added")
    endif()
  endif()

endif()

# --- Debian package, or the Windows zip ------------------------------------------
if(WIN32)
  set(CPACK_GENERATOR "ZIP")
  set(CPACK_PACKAGE_FILE_NAME "korvcmp-${PROJECT_VERSION}-win64")
  # The zip's top folder carries the same name.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
else()
  set(CPACK_GENERATOR "DEB")
endif()
set(CPACK_PACKAGE_NAME "korvcmp")
set(CPACK_PACKAGE_VENDOR "korvcmp developers")
set(CPACK_PACKAGE_CONTACT "korvcmp developers <korvcmp@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compare two Korvo execution profile listings")
set(CPACK_PACKAGE_DESCRIPTION
    "korvcmp reads two execution profile listings written by the korvrpt report\n\
tool of the Korvo coverage analyser and writes a copy of the second listing\n\
in which new coverage is marked with ^ and lost coverage with v after the\n\
hit counts. Every TER figure gets the amount of difference: hits in listing 1\n\
plus new hits minus lost hits.")
set(CPACK_STRIP_FILES ON)

# Only the component "korvcmp", packed as one package under the plain name.
set(CPACK_COMPONENTS_ALL korvcmp)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_PACKAGE_NAME "korvcmp")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "korvcmp developers <korvcmp@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# Depends is computed from the executable by dpkg-shlibdeps (package dpkg-dev).
find_program(KORVCMP_DPKG_SHLIBDEPS_EXECUTABLE NAMES dpkg-shlibdeps)
mark_as_advanced(KORVCMP_DPKG_SHLIBDEPS_EXECUTABLE)
if(KORVCMP_DPKG_SHLIBDEPS_EXECUTABLE)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  message(STATUS "Packaging: dpkg-shlibdeps not found (package dpkg-dev), "
                 "the Debian package gets a fixed Depends line")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()

include(CPack)
