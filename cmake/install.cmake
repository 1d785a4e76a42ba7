# The one version of the three programs: project(VERSION) above.
target_compile_definitions(yomite_logic PUBLIC YOMITE_VERSION="${PROJECT_VERSION}")

# What `cmake --install` puts under the prefix, by the GNU layout: the
# programs, the bundled story (the one played when no other is found), the
# desktop entry, its icons and metainfo, the manual pages and the licence.
include(GNUInstallDirs)
set(YOMITE_APP_ID org.example.yomite)

# The player goes where the system keeps its games (games for the Debian
# package, as its section asks; bin by default), the tools into bin.
install(TARGETS yomite RUNTIME DESTINATION ${YOMITE_INSTALL_GAMESDIR})
install(TARGETS yomite-check yomite-trace RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/dat/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/yomite/dat
        FILES_MATCHING PATTERN "*.dat" PATTERN "*.jpg" PATTERN "*.mid")

install(FILES ${PROJECT_SOURCE_DIR}/dist/${YOMITE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/dist/${YOMITE_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/dist/${YOMITE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dist/${YOMITE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${YOMITE_ICON_SIZES})
  install(FILES ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/yomite.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The options for starting a story in the middle, the same in the player's
# and the trace's pages.
file(READ ${PROJECT_SOURCE_DIR}/dist/man/start-options.roff YOMITE_MAN_START_OPTIONS)
# Manual pages compressed, as man expects them and distributions ship them;
# gzip -n leaves out the name and the time, so the bytes are reproducible.
find_program(GZIP gzip REQUIRED)
set(man_pages)
foreach(page yomite.6 yomite-check.1 yomite-trace.1 yomite-story.5)
  string(REGEX REPLACE ".*\\." "" section ${page})
  set(page_file ${CMAKE_BINARY_DIR}/man/${page})
  configure_file(${PROJECT_SOURCE_DIR}/dist/man/${page}.in ${page_file} @ONLY)
  add_custom_command(OUTPUT ${page_file}.gz
    COMMAND ${GZIP} -9nkf ${page_file}
    DEPENDS ${page_file} VERBATIM)
  list(APPEND man_pages ${page_file}.gz)
  install(FILES ${page_file}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(yomite_man ALL DEPENDS ${man_pages})

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/dist/copyright
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The story author's guide: the format reference and the bundled story's notes.
install(FILES ${PROJECT_SOURCE_DIR}/docs/story-format.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/demo/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME demo-story.md)

# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh
# does the whole of it). dpkg-shlibdeps finds the libraries the programs are
# linked with; the music libraries are opened with dlopen, so it cannot see
# them, and the Japanese font is found through fontconfig: those are named
# here. The maintainer is whoever makes the package (YOMITE_PACKAGE_CONTACT,
# which scripts/package.sh sets): the project has no address of its own.
set(YOMITE_PACKAGE_CONTACT "" CACHE STRING "The Debian package's maintainer, \"Name <address>\"")
set(YOMITE_PACKAGE_REVISION 1 CACHE STRING "The Debian revision of the package")
set(CPACK_PACKAGE_NAME yomite)
set(CPACK_PACKAGE_VENDOR "the yomite developers")
if(YOMITE_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "${YOMITE_PACKAGE_CONTACT}")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen player for a short Japanese text adventure")
set(CPACK_PACKAGE_DESCRIPTION
    "yomite plays a story of Shift-JIS scripts, JPEG pictures and MIDI
music full screen, with the mouse. It comes with a story of its own;
yomite STORY plays another. yomite-check finds the lines that would
stop a story, and yomite-trace plays one headless for regression tests.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${YOMITE_PACKAGE_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${YOMITE_FLUIDSYNTH_PACKAGE}, libasound2, fonts-ipafont-gothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm")

# What only the package holds: its changelog, which Debian keeps as
# changelog.Debian.gz beside the copyright file, and lintian's overrides.
if(YOMITE_PACKAGE_CONTACT)
  set(YOMITE_PACKAGE_VERSION ${PROJECT_VERSION}-${YOMITE_PACKAGE_REVISION})
  configure_file(${PROJECT_SOURCE_DIR}/dist/changelog.Debian.in
                 ${CMAKE_BINARY_DIR}/dist/changelog.Debian @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/dist/changelog.Debian.gz
    COMMAND ${GZIP} -9nkf ${CMAKE_BINARY_DIR}/dist/changelog.Debian
    DEPENDS ${CMAKE_BINARY_DIR}/dist/changelog.Debian VERBATIM)
  add_custom_target(yomite_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/dist/changelog.Debian.gz)
  install(FILES ${CMAKE_BINARY_DIR}/dist/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The two lintian warnings the package answers on purpose, each with why.
  install(FILES ${PROJECT_SOURCE_DIR}/dist/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME yomite)
endif()
include(CPack)
