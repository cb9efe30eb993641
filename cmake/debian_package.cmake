# The Debian package that scripts/package.sh makes with CPack: what `cmake --install` installs, under
# /usr, as reelmaker_<version>_<arch>.deb. Depends comes from the programs' shared libraries
# (dpkg-shlibdeps). Nothing runs at installation: dpkg's triggers of shared-mime-info,
# desktop-file-utils and the icon theme take up the types, the desktop entry and the icon.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME reelmaker)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR Reelmaker)
set(CPACK_PACKAGE_CONTACT "Reelmaker developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DPX and Cineon frame sequences into 10-bit RGB QuickTime movies")
set(CPACK_PACKAGE_DESCRIPTION
  "Reelmaker opens one frame of a numbered DPX or Cineon image sequence, finds the whole sequence and
translates a chosen range into a QuickTime movie with a 10-bit RGB codec (R10k or R10g), either
self-contained or as a reference movie whose samples point into the frame files, with a timecode
track taken from the DPX header. reelmaker is the command line tool, reelmaker-gui the desktop
application.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Where the desktop's database tools are, they register the file types and the desktop entry.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
