# The one version of the three programs: project(VERSION) above.
target_compile_definitions(yomite_logic PUBLIC YOMITE_VERSION="${PROJECT_VERSION}")

# What `cmake --install` puts under the prefix, by the GNU layout: the
# programs, the bundled story (the one played when no other is found), the
# desktop entry, its icons and metainfo, the manual pages and the licence.
include(GNUInstallDirs)
set(YOMITE_APP_ID org.example.yomite)

install(TARGETS yomite yomite-check yomite-trace RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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
foreach(page yomite.6 yomite-check.1 yomite-trace.1 yomite-story.5)
  string(REGEX REPLACE ".*\\." "" section ${page})
  configure_file(${PROJECT_SOURCE_DIR}/dist/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

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
# here.
set(CPACK_PACKAGE_NAME yomite)
set(CPACK_PACKAGE_VENDOR "the yomite developers")
set(CPACK_PACKAGE_CONTACT "the yomite developers <yomite@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen player for a short Japanese text adventure")
set(CPACK_PACKAGE_DESCRIPTION
    "yomite plays a story of Shift-JIS scripts, JPEG pictures and MIDI music full screen,
with the mouse. It comes with a story of its own; yomite STORY plays another.
yomite-check finds the lines that would stop a story, and yomite-trace plays
one headless for regression tests.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://yomite.example.org/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libfluidsynth3, libsdl2-mixer-2.0-0, libasound2, fonts-ipafont-gothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm")
include(CPack)
