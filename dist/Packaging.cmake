# The Debian package: `make package` (cpack -G DEB in the build tree) gives
# orvoftp_<version>_<arch>.deb with the install layout under /usr. Its run-time dependencies
# come from the binary (dpkg-shlibdeps); the Qt platform plugins are loaded at run time, so
# they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvoftp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The OrvoFTP developers")
set(CPACK_PACKAGE_CONTACT "The OrvoFTP developers <devel@orvoftp.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop FTP client with a local and a remote pane")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "OrvoFTP shows a local folder and the FTP server's folder side by side, with the"
    "session log and the transfer queue below them. It connects from a quick-connect box,"
    "ftp:// addresses or a site database, downloads and uploads files and folder trees"
    "with resume, and deletes, renames, moves and changes the permissions of remote files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Help pages and links open in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
