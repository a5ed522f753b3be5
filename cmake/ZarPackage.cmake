# `make package`: a Debian package of what `make install` installs, under
# /usr. Its dependencies are worked out by dpkg-shlibdeps (package dpkg-dev)
# from the libraries the programs link, and the Qt platform plugins, which no
# program links, are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zar)
set(CPACK_PACKAGE_VENDOR "the ZAR team")
set(CPACK_PACKAGE_CONTACT "the ZAR team <zar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workbench for a one-instruction computer")
set(CPACK_PACKAGE_DESCRIPTION
    "ZAR is a machine with 256 byte cells, an 8-bit instruction pointer and\n\
one instruction that subtracts one cell from another and jumps when the\n\
result is zero or negative. zar-workbench shows its memory, runs and\n\
debugs programs, drives its screen and network devices and has a macro\n\
assembler; zar assembles and runs programs without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(ZAR_BUILD_DESKTOP)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
endif()
include(CPack)
