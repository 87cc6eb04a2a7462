# Installation (GNUInstallDirs) and the Debian package (CPack). Included by the
# top-level CMakeLists.txt after the program's targets are defined.
#
#   <prefix>/bin/kavreno
#   <prefix>/<libdir>/kavreno/libkavreno-qt.so     the Qt window, loaded with dlopen
#   <prefix>/share/kavreno/Kavreno.hlp             the help file (HTML, generated)
#   <prefix>/share/applications/io.github.kavreno.Kavreno.desktop
#   <prefix>/share/metainfo/io.github.kavreno.Kavreno.metainfo.xml
#   <prefix>/share/icons/hicolor/NxN/apps/kavreno.png
#
# The program and the module look for each other and for the help file at the
# paths of this prefix, so a package is built from a tree configured with the
# prefix it installs to (cmake -DCMAKE_INSTALL_PREFIX=/usr ... && cpack).
include_guard(GLOBAL)

set(kavreno_data ${PROJECT_SOURCE_DIR}/data)

if(TARGET kavreno)
  install(TARGETS kavreno RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kavreno)
endif()
if(TARGET kavreno-qt)
  install(TARGETS kavreno-qt
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kavreno COMPONENT kavreno)
endif()
install(FILES ${KAVRENO_HELP_FILES}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kavreno COMPONENT kavreno)
install(FILES ${kavreno_data}/io.github.kavreno.Kavreno.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT kavreno)
install(FILES ${kavreno_data}/io.github.kavreno.Kavreno.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT kavreno)
foreach(size 16 32 48 64 128 256)
  install(FILES ${kavreno_data}/icons/hicolor/${size}x${size}/apps/kavreno.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          COMPONENT kavreno)
endforeach()

# ---- the Debian package -------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavreno)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kavreno developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Show the system information of this PC")
set(CPACK_PACKAGE_DESCRIPTION
    "Kavreno shows in one window the memory, processors, keyboard, system\n\
directories, operating system version, user and computer names of the PC,\n\
and a report of every drive. Without a display it prints the same as text.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kavreno developers <kavreno@kavreno.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11 and Wayland platform plugins are loaded by Qt at run time, which
# dpkg-shlibdeps cannot see; Japanese fonts and Qt's own Japanese texts are
# wanted but the program runs without them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
