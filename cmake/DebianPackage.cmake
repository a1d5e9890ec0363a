# `cpack -G DEB` in a build folder makes an installable Debian package of what `cmake --install`
# puts in place. Library dependencies come from dpkg-shlibdeps; the rest are what the program
# loads or runs at run time without linking to it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "Orvane <support@orvane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate and large files and get disk space back")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://orvane.com/)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Qt platform plugin (xcb or wayland), which Qt loads rather than links; the
# network features open libcurl themselves when first used, so dpkg-shlibdeps does not see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libcurl4 | libcurl4t64")
# pkexec starts the administrator helper that removes files in system folders.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, adwaita-icon-theme, pkexec")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvane finds what takes up room on your disk and lets you decide what goes:
duplicate files confirmed by their content, large files by size, age and
kind, junk such as caches, logs and downloaded installers, similar photos,
and the leftovers of removed applications. Removal moves files to the
Trash first, so anything removed by mistake can be restored.

The package holds the desktop program (orvane-gui) and the orvane command.")
include(CPack)
