# The Debian package, made by CPack from what `cmake --install` puts in place: the program in
# /usr/bin, the styles and the demo song in /usr/share/kalo, the desktop entry, the icon and the
# AppStream metadata. `make package` builds the program and runs cpack; the file is
# kalo_<version>_amd64.deb in build/default/package/.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KALO")
set(CPACK_PACKAGE_CONTACT "KALO developers <kalo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live MIDI arranger: chords in the left hand drive a style in your tempo")
set(CPACK_PACKAGE_DESCRIPTION
    "KALO recognizes the chords you hold with the left hand and plays a style - drums, bass, chords, \
pads and phrases - in your tempo, transposed to each chord, switching intro, fills and ending on \
command. It records songs, edits them and plays them through a built-in General MIDI synthesizer or \
any MIDI output.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${KALO_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# Only what the program needs at run time: the test suites and benchmarks install nothing.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/kalo")
# The libraries the program links, found by dpkg-shlibdeps (Qt's X11 platform plugin comes with
# libqt6gui6); the General MIDI soundfont the built-in synthesizer plays by default
# (/usr/share/sounds/sf2/default-GM.sf2).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")

include(CPack)
