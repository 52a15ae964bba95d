# How the programs are compiled and linked so that the packages made of them are hardened and
# reproducible: two builds of the same sources, in any two folders, give the same bytes.

# The release date as seconds since 1970 (SOURCE_DATE_EPOCH): the date of every file the build
# stamps (the icons that Qt's resource compiler stores with their times, the packages' entries).
execute_process(COMMAND date -u -d "${VELMORRA_RELEASE_DATE} 00:00:00" +%s
                OUTPUT_VARIABLE VELMORRA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

# No build path in the programs (debug information, file names in messages): the source folder
# becomes ".", the build folder "build" (the later map wins for a build folder inside the
# sources).
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)

if(WIN32)
  # The linker stamps no time into the programs and the library (ASLR, high-entropy addresses and
  # NX stay on: mingw-w64's linker sets them by default).
  add_link_options(-Wl,--no-insert-timestamp)
elseif(NOT VELMORRA_SANITIZE AND NOT VELMORRA_FUZZ)
  # Debian's hardening flags (dpkg-buildflags, hardening=+all): the stack protector,
  # FORTIFY_SOURCE (which needs the optimiser: not in Debug builds), full RELRO with BIND_NOW.
  # Optimisation and debug information stay with the build type.
  find_program(VELMORRA_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env
                            "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-all"
                            "DEB_${kind}_MAINT_STRIP=-g -O2"
                            ${VELMORRA_DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(VELMORRA_HARDENING_${kind} UNIX_COMMAND "${flags}")
  endforeach()
  foreach(flag IN LISTS VELMORRA_HARDENING_CPPFLAGS)
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
  endforeach()
  # Stack clash protection, which hardening-check looks for and Debian 12's dpkg-buildflags does
  # not add yet. (Control-flow protection, CET, cannot take effect on Debian 12: its C library's
  # start-up files are built without it, so no program there has it.)
  add_compile_options(${VELMORRA_HARDENING_CXXFLAGS} -fstack-clash-protection)
  add_link_options(${VELMORRA_HARDENING_LDFLAGS})
endif()
