# The Debian package: `cpack -G DEB` in a build directory makes boxferry_VERSION_ARCH.deb of what that
# build installs. dpkg-shlibdeps (dpkg-dev) finds the libraries' packages, Qt 6's among them (its X11
# platform plugin comes with libqt6gui6); a Japanese font is named here, as no library link reveals it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME boxferry)
set(CPACK_PACKAGE_VENDOR "The Boxferry developers")
set(CPACK_PACKAGE_CONTACT "The Boxferry developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "carry a whole AL-Mail mailbox into Thunderbird")
set(CPACK_PACKAGE_DESCRIPTION
    "Boxferry converts the local mail store of the Japanese mail client AL-Mail into Thunderbird's Local
Folders: one mbox file per mail folder, the folder tree kept as it was, Japanese text re-encoded so that
every character arrives intact. The AL-Mail folder is only read. It comes as a window (boxferry) and as a
command (boxferry-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET boxferry)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-japanese-gothic, thunderbird")
else()
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "thunderbird")
endif()
include(CPack)
