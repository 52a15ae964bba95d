# Where an installed Velmorra lives on Linux, and the two Debian packages CPack makes of it:
# velmorra-cli (the command line and its manual page) and velmorra (the window, its desktop
# entry, metainfo, icons and manual page). The window does not need the command line, so the
# packages share no file and neither depends on the other.
#
# The programs go into bin/ and bind the system's SQLite library by its name there (an installed
# program has no library beside it: SqliteLibraryPath).

install(TARGETS velmorra-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
if(TARGET velmorra)
  install(TARGETS velmorra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
endif()

# The maintainer, by Debian's convention from DEBFULLNAME and DEBEMAIL (which may hold both, as
# "Name <address>"); a placeholder without them.
if(DEFINED ENV{DEBEMAIL} AND "$ENV{DEBEMAIL}" MATCHES "<")
  set(VELMORRA_DEBIAN_MAINTAINER "$ENV{DEBEMAIL}")
elseif(DEFINED ENV{DEBEMAIL} AND DEFINED ENV{DEBFULLNAME})
  set(VELMORRA_DEBIAN_MAINTAINER "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(VELMORRA_DEBIAN_MAINTAINER "The Velmorra developers <velmorra@invalid>")
endif()

# Each package's /usr/share/doc: the copyright (the licence in Debian's machine-readable form,
# from LICENSE) and the changelog, compressed without a time stamp.
execute_process(COMMAND date -u -d "${VELMORRA_RELEASE_DATE} 00:00:00" -R
                OUTPUT_VARIABLE VELMORRA_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX REPLACE "^.*\n(Permission is)" "\\1" license "${license}")
string(STRIP "${license}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " VELMORRA_DEBIAN_LICENSE " ${license}")
set(doc_dir ${CMAKE_BINARY_DIR}/debian-doc)
configure_file(packaging/debian/copyright.in ${doc_dir}/copyright @ONLY)
configure_file(packaging/debian/changelog.in ${doc_dir}/changelog @ONLY)
add_custom_command(OUTPUT ${doc_dir}/changelog.gz
                   COMMAND gzip -9n -c changelog > changelog.gz
                   DEPENDS ${doc_dir}/changelog WORKING_DIRECTORY ${doc_dir})
add_custom_target(velmorra_debian_doc ALL DEPENDS ${doc_dir}/changelog.gz)
foreach(package_component velmorra-cli:cli velmorra:window)
  string(REPLACE ":" ";" package_component ${package_component})
  list(GET package_component 0 package)
  list(GET package_component 1 component)
  install(FILES ${doc_dir}/copyright ${doc_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# The Debian packages: velmorra-cli_<version>_amd64.deb and velmorra_<version>_amd64.deb, for
# Debian 12 (their dependencies are Debian 12's libraries: ICU 72, Qt 6.4).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmorra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(TARGET velmorra)
  list(APPEND CPACK_COMPONENTS_ALL window)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELMORRA_DEBIAN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps computes the libraries the programs link (ICU, the C++ run-time; Qt 6 Widgets
# for the window). It cannot see SQLite: the programs load it at run time, never link it. So
# that one dependency is named here; every entry point they use is in any libsqlite3-0.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libsqlite3-0)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME velmorra-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "move text messages from a Nokia Ovi datastore to an Android SMS backup
Velmorra moves the text messages that the Nokia Ovi desktop software kept on
the PC (the datastore MDataStore.db3) into the SMS backup XML file that an
Android phone restores. It only reads the datastore.
.
This package holds the command-line tool velmorra-cli: it lists the datastores
registered in a Wine prefix and the phones that have text messages in one, and
writes the messages of one phone, or of all of them, into one backup file.")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME velmorra)
set(CPACK_DEBIAN_WINDOW_PACKAGE_SUGGESTS velmorra-cli)
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
    "window to move text messages from a Nokia Ovi datastore to Android
Velmorra moves the text messages that the Nokia Ovi desktop software kept on
the PC (the datastore MDataStore.db3) into the SMS backup XML file that an
Android phone restores. It only reads the datastore.
.
This package holds the window velmorra: it offers the datastores registered in
a Wine prefix, or takes one picked or dropped on it, lists the phones that have
text messages in it and saves the messages of one phone, or of all of them,
into one backup file in the documents folder. The command line is in the
package velmorra-cli.")
include(CPack)
