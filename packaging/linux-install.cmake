# Where an installed Velmorra lives on Linux, and the Debian package made of it by CPack.
#
# The programs bind the SQLite library from their own directory, so they live together in a
# private directory, lib/velmorra, beside a link to the system's libsqlite3.so.0; the commands in
# bin are relative links to them. The programs find their directory through /proc/self/exe,
# which names the link's target, so started through bin they still look in lib/velmorra.

set(VELMORRA_INSTALL_PROGRAM_DIR lib/velmorra)

set(velmorra_programs velmorra-cli)
if(TARGET velmorra)
  list(APPEND velmorra_programs velmorra)
endif()
install(TARGETS ${velmorra_programs} RUNTIME DESTINATION ${VELMORRA_INSTALL_PROGRAM_DIR})
# The link made in bin/ by the build (CMake installs a link as a link).
install(FILES ${CMAKE_BINARY_DIR}/bin/libsqlite3.so.0 DESTINATION ${VELMORRA_INSTALL_PROGRAM_DIR})

file(RELATIVE_PATH program_dir_from_bin /prefix/${CMAKE_INSTALL_BINDIR}
     /prefix/${VELMORRA_INSTALL_PROGRAM_DIR})
foreach(program IN LISTS velmorra_programs)
  set(link ${CMAKE_BINARY_DIR}/install-links/${program})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
  file(CREATE_LINK ${program_dir_from_bin}/${program} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# The Debian package: velmorra_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmorra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Velmorra developers <velmorra@invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "move text messages from a Nokia Ovi datastore to an Android SMS backup")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmorra moves the text messages that the Nokia Ovi desktop software kept on the PC (the
datastore MDataStore.db3) into the SMS backup XML file that an Android phone restores. It finds
the datastores registered in a Wine prefix, lists the phones that have text messages in one and
writes the messages of one phone, or of all of them, into one backup file. It only reads the
datastore. The package holds the window (velmorra) and the command-line tool (velmorra-cli).")
# dpkg-shlibdeps computes the libraries the programs link (Qt 6 Widgets, ICU, the C++ runtime).
# It cannot see SQLite: the programs load it at run time through the link beside them, never link
# it. So that one dependency is named here; every entry point they use is in any libsqlite3-0.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libsqlite3-0)
include(CPack)
