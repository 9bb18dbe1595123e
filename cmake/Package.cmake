# `cpack -G DEB` in the build folder makes a Debian package of what
# `cmake --install` installs: the program in its folder with the hand pointer
# and the sample database, caseloom-cli, the icon and the desktop entry. The
# run-time dependencies are read off the installed programs (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME caseloom)
set(CPACK_PACKAGE_VENDOR Brindlecove)
set(CPACK_PACKAGE_CONTACT "Brindlecove <support@brindlecove.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Changes the letter case of text in Microsoft Access databases, in place")
set(CPACK_PACKAGE_DESCRIPTION
    "Caseloom rewrites the text and memo values of chosen fields of an Access table (.mdb or .accdb) in UPPER CASE, lower case, Proper Case or Sentence case, in place, through a rollback journal.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins are loaded at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
