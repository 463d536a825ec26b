# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME zel)
set(CPACK_PACKAGE_VENDOR "The ZEL developers")
set(CPACK_PACKAGE_CONTACT "The ZEL developers <zel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch sampling-rate and speed converter for WAV files")
set(CPACK_PACKAGE_DESCRIPTION
    "ZEL converts the sampling frequency of PCM WAV files in batches and can change their\n\
playback speed in the same pass. It has a desktop application (zel) and a command-line\n\
tool (zel-cli) on the same engine.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
