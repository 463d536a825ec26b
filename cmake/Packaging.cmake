# Two Debian packages, built with `cpack -G DEB` in the build folder: zel-cli, the
# command-line tool a server installs without any desktop library, and zel, the desktop
# application on top of it. Each package's library dependencies come from dpkg-shlibdeps
# over its own binaries.
include(cmake/CompressedDoc.cmake)

# Installing and packaging take what the build made: they do not walk every target of the
# tree again first (the tests build many), so a package is quick to make after a build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(ZEL_PACKAGE_MAINTAINER "The ZEL developers <dev@zel.invalid>")
# Drawn by the desktop package: a small Japanese font, or any other that provides one;
# the larger Noto CJK, which the window prefers, is only recommended.
set(ZEL_JAPANESE_FONT_DEPENDS "fonts-vlgothic | fonts-japanese-gothic")
# What "出力フォルダを開く" shows a folder with: Qt hands the folder to xdg-open.
set(ZEL_FOLDER_OPENER_DEPENDS "xdg-utils")

set(ZEL_PACKAGE_COMPONENTS cli)
if(ZEL_BUILD_GUI)
  list(APPEND ZEL_PACKAGE_COMPONENTS desktop)
endif()

# What every package carries: its manual page, copyright and changelog.
set(ZEL_PACKAGE_cli zel-cli)
set(ZEL_PACKAGE_desktop zel)
set(ZEL_MAN_PAGE_cli ${PROJECT_SOURCE_DIR}/cli/zel-cli.1)
set(ZEL_MAN_PAGE_desktop ${PROJECT_SOURCE_DIR}/app/zel.1)
foreach(component IN LISTS ZEL_PACKAGE_COMPONENTS)
  set(doc ${CMAKE_INSTALL_DATADIR}/doc/${ZEL_PACKAGE_${component}})
  zel_install_compressed(${ZEL_MAN_PAGE_${component}} ${CMAKE_INSTALL_MANDIR}/man1
                         ${component})
  zel_install_compressed(${PROJECT_SOURCE_DIR}/packaging/changelog ${doc} ${component})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${doc}
          COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME zel)
set(CPACK_PACKAGE_VENDOR "The ZEL developers")
set(CPACK_PACKAGE_CONTACT ${ZEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${ZEL_PACKAGE_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME zel-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION "batch sampling-rate and speed converter for WAV files
zel-cli converts the sampling frequency of PCM WAV files in batches and can
change their playback speed in the same pass. Every input is written anew
beside itself under a name with a suffix, and an existing output is replaced
only by a complete file.
.
This package holds the command-line tool. It needs no desktop libraries, so a
server or a cluster node can run it; the desktop application is in the package
zel.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME zel)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS
    "zel-cli (= ${PROJECT_VERSION}), ${ZEL_JAPANESE_FONT_DEPENDS}, qt6-translations-l10n, ${ZEL_FOLDER_OPENER_DEPENDS}")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION "batch sampling-rate and speed converter for WAV files \
(desktop)
ZEL converts the sampling frequency of PCM WAV files in batches and can change
their playback speed in the same pass. Files are collected in a list, by the
file dialog, by folder or by dropping them on the window; a progress window
shows the batch and a results window the outcome of every file.
.
This package holds the desktop application, in Japanese or in English after
the locale. The command-line tool is in the package zel-cli.")
include(CPack)
