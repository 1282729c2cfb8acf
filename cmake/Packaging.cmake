# Installing and the Debian package: the program, tandrel-cli, the manual, the desktop entry
# with the library MIME types, and the icons in the XDG layout (`cpack -G DEB` in the build).
if(TARGET tandrel-cli)
    install(TARGETS tandrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME tandrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Compare the source code of two sets of PowerBuilder libraries")
set(CPACK_PACKAGE_CONTACT "Tandrel project")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The shared libraries come from dpkg-shlibdeps; the Qt plug-ins (the X11 platform, the SVG
# icon engine) and the fonts the interface names are loaded at run time, so they are listed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, fonts-wqy-zenhei | fonts-wqy-microhei | fonts-noto-cjk, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info, desktop-file-utils")
include(CPack)
