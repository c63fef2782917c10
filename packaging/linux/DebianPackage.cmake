# The Debian package, made by `cpack -G DEB` in the build tree (scripts/package.sh does that).

set(QUORVEL_PACKAGE_MAINTAINER "Quorvel maintainers <maintainers@quorvel.com>" CACHE STRING
  "The Maintainer field of the Debian package: NAME <EMAIL>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUORVEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "take number display for recording sessions")
set(CPACK_PACKAGE_DESCRIPTION
"Quorvel watches the session a digital audio workstation is recording and
shows the number of the current take: in a small window that stays above the
others, on the tray and taskbar icons, and on a page served on the local
network for a tablet in the recording room.")
# quorvel_VERSION_ARCH.deb, Debian's own naming (CMake's CPackDeb documentation, DEB-DEFAULT).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# Only the install component "quorvel" (the program and its desktop files) goes in: the build
# also installs developer tools such as quorvel-simulate, which a user's system has no use for.
# Each entry is build directory; project name; component; subdirectory (CMake's CPack module
# documentation, CPACK_INSTALL_CMAKE_PROJECTS).
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};quorvel;/")

# The libraries the program links come from dpkg-shlibdeps. Qt loads others as plugins, which
# dpkg-shlibdeps cannot see: the SQLite driver holds the take sheet, so it is required. (The X11
# platform plugin ships inside libqt6gui6 on Debian 12, which the linked libraries already pull
# in; Debian 12's qt6-qpa-plugins holds only the VNC and touch plugins, as `dpkg -L` shows. lsof
# is not needed: on Linux the open files are read from /proc.) The URW fonts provide Nimbus Sans,
# the window's first choice after Helvetica Neue (DisplayFont); without them it falls back to
# another sans, so they are only recommended. avahi-daemon answers mDNS for the announced page;
# without it the page is still reached by its numeric address.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-urw-base35, avahi-daemon")

include(CPack)
