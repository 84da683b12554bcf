# The Debian package: `cpack -G DEB` in a build tree (scripts/package.sh builds one from scratch).
# It holds everything `cmake --install` installs; its runtime dependencies come from the libraries
# the programs link (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quedral)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quedral developers")
set(CPACK_PACKAGE_CONTACT "Quedral developers <dev@quedral.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for the KV4471 sound level meter")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUEDRAL_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quedral.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# WAV playback goes through GStreamer; its WAV reader is in the "good" plugins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-good")
# The extended description; the synopsis line is CPACK_PACKAGE_DESCRIPTION_SUMMARY.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quedral shows the KV4471 handheld sound level meter's panel on the screen and
works it from there: real-time graphs of the level, downloading and browsing
the data sets logged in the meter's memory with cursors, statistics and
annotations, Leq measurements, WAV playback, printing and PDF reports.
.
quedral-cli does the same from the command line, for scripts and unattended
logging, and can serve the levels to Prometheus. A udev rule gives the user
logged in at the seat access to the meter, so neither program needs root.")
# udev reads the meter's rule at once when the package is installed or removed.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/debian/postinst ${CMAKE_CURRENT_SOURCE_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
