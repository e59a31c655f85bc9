# Install rules and the Debian package.
#
# Layout under the installation prefix (/usr for the .deb, /usr/local by default):
#   bin/quen, bin/quen-capture        small launchers (dist/*.in), the commands users type
#   libexec/quen/quen                 the demo itself; it finds share/quen from its own place
#   libexec/quen/quen-capture         the capture tool itself
#   share/quen/                       the pictures and the music
#   share/applications/quen.desktop   the desktop entry, and the icon under share/icons/hicolor
#   share/man/man6/                   quen.6.gz and quen-capture.6.gz
#   share/doc/quen/                   copyright (the licence) and changelog.gz
#
# The launchers find the rest relative to their own location, so any prefix works:
#   cmake --install build --prefix ~/.local
# and the package, written to the build folder: `make package` at the top, which builds what the
# package holds (quen, quen-capture, quen-dist-files) and runs cpack in build/.

include(GNUInstallDirs)
# Installing, and so cpack, takes what is built and builds nothing more: without this the
# install step would first build every test and benchmark, which the package does not hold.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(${CMAKE_CURRENT_LIST_DIR}/WriteIfChanged.cmake)

set(QUEN_DIST_DIR ${PROJECT_SOURCE_DIR}/dist)
# QUEN_INSTALL_LIBEXECDIR and QUEN_INSTALL_DATADIR come from the top-level file, which compiles
# the path from one to the other into the demo.

# Paths from bin/ to the demo's folder and to the assets, written into the launchers.
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_BINDIR BASE_DIRECTORY /prefix OUTPUT_VARIABLE _quen_bin)
cmake_path(ABSOLUTE_PATH QUEN_INSTALL_LIBEXECDIR BASE_DIRECTORY /prefix OUTPUT_VARIABLE _quen_exec)
cmake_path(ABSOLUTE_PATH QUEN_INSTALL_DATADIR BASE_DIRECTORY /prefix OUTPUT_VARIABLE _quen_data)
file(RELATIVE_PATH QUEN_BIN_TO_LIBEXEC ${_quen_bin} ${_quen_exec})
file(RELATIVE_PATH QUEN_BIN_TO_DATA ${_quen_bin} ${_quen_data})

# --- The demo and its launcher -------------------------------------------------------------

# Installed as built: no stripping here, so the dynamic symbol table that ENABLE_EXPORTS gives
# the demo (VornGFX::GetBpp and the other device members) is kept. The package strips only
# .symtab and debug info, which leaves .dynsym alone as well.
install(TARGETS quen RUNTIME DESTINATION ${QUEN_INSTALL_LIBEXECDIR})
configure_file(${QUEN_DIST_DIR}/quen.in ${PROJECT_BINARY_DIR}/dist/quen @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/dist/quen DESTINATION ${CMAKE_INSTALL_BINDIR})

# The default pictures and music only; assets/make-assets.sh and its sources stay in the tree.
install(FILES
  ${PROJECT_SOURCE_DIR}/assets/initial.jpg
  ${PROJECT_SOURCE_DIR}/assets/j1.jpg
  ${PROJECT_SOURCE_DIR}/assets/j2.jpg
  ${PROJECT_SOURCE_DIR}/assets/j3.jpg
  ${PROJECT_SOURCE_DIR}/assets/scroller.jpg
  ${PROJECT_SOURCE_DIR}/assets/zeft.mp3
  DESTINATION ${QUEN_INSTALL_DATADIR})

# --- The capture tool and its launcher -----------------------------------------

install(TARGETS quen-capture RUNTIME DESTINATION ${QUEN_INSTALL_LIBEXECDIR})
configure_file(${QUEN_DIST_DIR}/quen-capture.in ${PROJECT_BINARY_DIR}/dist/quen-capture @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/dist/quen-capture DESTINATION ${CMAKE_INSTALL_BINDIR})
set(_quen_man_pages quen.6 quen-capture.6)

# --- Desktop entry and icon -----------------------------------------------------------------

install(FILES ${QUEN_DIST_DIR}/quen.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUEN_DIST_DIR}/quen.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 16 32 48 64 128 256)
  install(FILES ${QUEN_DIST_DIR}/icons/quen-${_size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
          RENAME quen.png)
endforeach()

# --- Man pages and the changelog, compressed as Debian wants them ---------------------------

set(_quen_gzipped)
foreach(_file IN LISTS _quen_man_pages ITEMS changelog)
  set(_out ${PROJECT_BINARY_DIR}/dist/${_file}.gz)
  add_custom_command(OUTPUT ${_out}
    COMMAND gzip -9 -n -c ${QUEN_DIST_DIR}/${_file} > ${_out}
    DEPENDS ${QUEN_DIST_DIR}/${_file}
    VERBATIM)
  list(APPEND _quen_gzipped ${_out})
endforeach()
add_custom_target(quen-dist-files ALL DEPENDS ${_quen_gzipped})
list(POP_BACK _quen_gzipped _quen_changelog)
install(FILES ${_quen_gzipped} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# --- Licence: LICENSE as a machine-readable Debian copyright file, and the changelog ---------

# Who answers for the package: its Maintainer field and the copyright file's contact.
set(QUEN_CONTACT "Quen/XDL developers <quen@example.org>" CACHE STRING
    "Name and mail address of the package's maintainer")
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _quen_license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _quen_line "${_quen_license}")
set(_quen_holder "${CMAKE_MATCH_1}")
# The terms: the text after the copyright line, each line indented, blank lines as " .".
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" _quen_terms "${_quen_license}")
string(REGEX REPLACE "\n+$" "" _quen_terms "${_quen_terms}")
string(REPLACE "\n\n" "\n.\n" _quen_terms "${_quen_terms}")
string(REPLACE "\n" "\n " _quen_terms "${_quen_terms}")
quen_write_if_changed(${PROJECT_BINARY_DIR}/dist/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Quen/XDL
Upstream-Contact: ${QUEN_CONTACT}

Files: *
Copyright: ${_quen_holder}
License: Expat
 ${_quen_terms}
")
install(FILES ${PROJECT_BINARY_DIR}/dist/copyright ${_quen_changelog}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- Debian package -------------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Quen/XDL team")
set(CPACK_PACKAGE_CONTACT "${QUEN_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running audiovisual demo")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # quen_<version>_<arch>.deb
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  # Built on another machine (cmake/aarch64-linux-gnu.cmake): Debian's name for the target.
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUEN_CONTACT}")
# Not "games": Debian wants those in /usr/games, off root's PATH; a demo is no game anyway. Its
# man pages stay in section 6, as screen hacks' do.
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it and indents it as a control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quen/XDL plays a fixed, clock-driven show in an 800x600 window to its own
looping soundtrack: a picture uncovered out of streaks, a chain of soft blue
balls, cross-fading and waving pictures, six spinning additively coloured
cubes and a closing scroller. Escape ends it.

The package also holds quen-capture, which renders any moment of the show
to PNG pictures, or the whole show to an MP4 video (with ffmpeg), without a
display.")
# Runtime libraries from the executables themselves, through dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# quen-capture --video runs ffmpeg.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
