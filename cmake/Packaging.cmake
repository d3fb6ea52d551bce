# Where a desktop looks for each installed file, and the Debian package
# (`make package`: build/kelvaro_<version>_<arch>.deb).
include(GNUInstallDirs)
install(TARGETS kelvaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The program looks for its resources in ../share/kelvaro/resources beside its binary.
install(DIRECTORY ${KELVARO_RESOURCES_OUTPUT}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvaro/resources)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kelvaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kelvaro.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvaro RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvaro)
set(CPACK_PACKAGE_VENDOR "The Kelvaro developers")
set(CPACK_PACKAGE_CONTACT "Kelvaro <support@kelvaro.app>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kelvaro.app")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "selects the input source for the application in front")
set(CPACK_PACKAGE_DESCRIPTION
    "Kelvaro selects the keyboard layout automatically when an application comes to the front, by one rule per application and an optional default. It lives in the system tray, announces each switch with a flag panel, a click and a desktop notification, and can be paused from its menu or with a global key.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the binary links come from dpkg-shlibdeps; these are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xkb-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-color-emoji, libcanberra-pulse, sound-theme-freedesktop, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-cjk")
include(CPack)
