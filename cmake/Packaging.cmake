# Installation rules, the Debian package of korvcmp, and the zip for Windows.
#
#   cmake --install <build> [--prefix <dir>]   installs bin/korvcmp, bin/korvcmp-lost,
#                                               bin/korvcmp-report and share/man/man1/korvcmp.1[.gz],
#                                               korvcmp-lost.1[.gz], korvcmp-report.1[.gz]
#   cd <build> && cpack -G DEB                  builds korvcmp_<version>_<arch>.deb
#
# A Windows build (cross or native) installs korvcmp.exe, korvcmp-lost.exe,
# korvcmp-report.exe, README.txt and the manuals as plain text, korvcmp.txt,
# korvcmp-lost.txt and korvcmp-report.txt, side by side, with CR LF line ends:
#   cd <build> && cpack -G ZIP                  builds korvcmp-<version>-win64.zip
#
# Everything is installed in the component "korvcmp", and CPack packs that
# component alone, so install rules that third-party code may add (a test
# framework, for instance) never end up in the package.

include(GNUInstallDirs)

# The programs, each with its manual page man/<program>.1. A program whose
# target is not built gets neither its executable nor its manual installed.
set(KORVCMP_PROGRAMS korvcmp korvcmp-lost korvcmp-report)

if(WIN32)
  # --- Windows: one folder holding the programs, README.txt and the manuals ---
  foreach(_program IN LISTS KORVCMP_PROGRAMS)
    if(TARGET ${_program})
      install(TARGETS ${_program} RUNTIME DESTINATION . COMPONENT korvcmp)
    endif()
  endforeach()
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
  if(KORVCMP_GROFF_EXECUTABLE)
    foreach(_program IN LISTS KORVCMP_PROGRAMS)
      if(NOT TARGET ${_program})
        continue()
      endif()
      set(_page_source ${CMAKE_CURRENT_SOURCE_DIR}/man/${_program}.1)
      list(APPEND _korvcmp_texts ${_korvcmp_text_dir}/${_program}.txt)
      add_custom_command(
        OUTPUT ${_korvcmp_text_dir}/${_program}.txt
        COMMAND ${CMAKE_COMMAND} -DINPUT=${_page_source}
                -DOUTPUT=${_korvcmp_text_dir}/${_program}.txt -DGROFF=${KORVCMP_GROFF_EXECUTABLE}
                -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows_text_file.cmake
        DEPENDS ${_page_source} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows_text_file.cmake
        COMMENT "The manual as plain text, ${_program}.txt, for the Windows package"
        VERBATIM)
    endforeach()
  else()
    message(WARNING "Packaging: groff not found (Debian: groff-base), the Windows package has no manual")
  endif()
  add_custom_target(korvcmp_windows_texts ALL DEPENDS ${_korvcmp_texts})
  install(FILES ${_korvcmp_texts} DESTINATION . COMPONENT korvcmp)
else()
  # --- Executables --------------------------------------------------------------
  foreach(_program IN LISTS KORVCMP_PROGRAMS)
    if(TARGET ${_program})
      install(TARGETS ${_program}
              RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
              COMPONENT korvcmp)
    else()
      message(WARNING "Packaging: no target '${_program}', the executable is not installed")
    endif()
  endforeach()

  # --- Manual pages -------------------------------------------------------------
  # Debian wants compressed manual pages. gzip -n leaves out the name and time
  # stamp, so the compressed page is the same from one build to the next.
  find_program(KORVCMP_GZIP_EXECUTABLE NAMES gzip)
  mark_as_advanced(KORVCMP_GZIP_EXECUTABLE)
  if(NOT KORVCMP_GZIP_EXECUTABLE)
    message(STATUS "Packaging: gzip not found, the manual pages are installed uncompressed")
  endif()

  set(_korvcmp_man_dir ${CMAKE_CURRENT_BINARY_DIR}/man)
  set(_korvcmp_man_gz_files)
  foreach(_program IN LISTS KORVCMP_PROGRAMS)
    set(_page_source ${CMAKE_CURRENT_SOURCE_DIR}/man/${_program}.1)
    if(NOT EXISTS ${_page_source})
      message(WARNING "Packaging: ${_page_source} is missing, no manual page is installed for it")
      continue()
    endif()
    if(NOT TARGET ${_program})
      # not installed, but still linted below
    elseif(KORVCMP_GZIP_EXECUTABLE)
      set(_page_gz ${_korvcmp_man_dir}/${_program}.1.gz)
      add_custom_command(
        OUTPUT ${_page_gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_korvcmp_man_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${_page_source} ${_korvcmp_man_dir}/${_program}.1
        COMMAND ${KORVCMP_GZIP_EXECUTABLE} -9 -n -f ${_korvcmp_man_dir}/${_program}.1
        DEPENDS ${_page_source}
        COMMENT "Compressing manual page ${_program}.1"
        VERBATIM)
      list(APPEND _korvcmp_man_gz_files ${_page_gz})
      install(FILES ${_page_gz}
              DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
              COMPONENT korvcmp)
    else()
      install(FILES ${_page_source}
              DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
              COMPONENT korvcmp)
    endif()

    # Test: the manual page renders without warnings (manpage_lint for korvcmp.1,
    # manpage_lint_<program> for the others).
    if(KORVCMP_BUILD_TESTS)
      find_program(KORVCMP_GROFF_EXECUTABLE NAMES groff)
      mark_as_advanced(KORVCMP_GROFF_EXECUTABLE)
      if(KORVCMP_GROFF_EXECUTABLE)
        if(_program STREQUAL "korvcmp")
          set(_lint_test manpage_lint)
        else()
          set(_lint_test manpage_lint_${_program})
        endif()
        add_test(NAME ${_lint_test}
                 COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/lint_manpage.sh
                         ${_page_source}
                         "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
        set_tests_properties(${_lint_test} PROPERTIES LABELS "packaging")
      else()
        message(STATUS "Packaging: groff not found, the manual page of ${_program} is not linted")
      endif()
    endif()
  endforeach()
  # One target compresses every page; check_package.sh builds it by this name.
  if(_korvcmp_man_gz_files)
    add_custom_target(korvcmp_manpage ALL DEPENDS ${_korvcmp_man_gz_files})
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
plus new hits minus lost hits.\n\
korvcmp-lost reads such a compared listing and reports where coverage was\n\
lost, as file:line diagnostics, GitHub Actions annotations or JSON Lines,\n\
with an exit status for CI gates.\n\
korvcmp-report compares two listings in the same way and writes an HTML\n\
report with both runs side by side, a Markdown summary for pull requests\n\
and a JSON document.")
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
