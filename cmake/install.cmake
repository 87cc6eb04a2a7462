# Installation (GNUInstallDirs) and the Debian package (CPack). Included by the
# top-level CMakeLists.txt after the program's targets are defined.
#
#   <prefix>/bin/kavreno
#   <prefix>/<libdir>/kavreno/libkavreno-qt.so     the Qt window, loaded with dlopen
#   <prefix>/<datadir>/kavreno/Kavreno.hlp         the help file (HTML, generated)
#   <prefix>/<datadir>/applications/io.github.kavreno.Kavreno.desktop
#   <prefix>/<datadir>/metainfo/io.github.kavreno.Kavreno.metainfo.xml
#   <prefix>/<datadir>/icons/hicolor/NxN/apps/kavreno.png
#   <prefix>/<mandir>/man1/kavreno.1.gz
#   <prefix>/<datadir>/doc/kavreno/copyright, changelog.gz
#
# The program finds the module and the help file relative to itself first
# (platform/linux/install_paths.h), so the tree can be installed into any
# prefix: cmake --install build/linux --prefix <folder>. The package is rooted
# at /usr, with the library folder GNUInstallDirs gives for /usr (multiarch on
# Debian): the linux preset configures that prefix.
include_guard(GLOBAL)

set(kavreno_data ${PROJECT_SOURCE_DIR}/data)
set(kavreno_gen ${PROJECT_BINARY_DIR}/install)

# Full RELRO (a read-only GOT after start-up), as Debian links its programs.
foreach(target kavreno kavreno-qt)
  if(TARGET ${target})
    target_link_options(${target} PRIVATE LINKER:-z,relro,-z,now)
  endif()
endforeach()

if(TARGET kavreno)
  install(TARGETS kavreno RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kavreno)
endif()
if(TARGET kavreno-qt)
  # A module that is opened, never executed nor linked: no execute bit.
  install(TARGETS kavreno-qt
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kavreno COMPONENT kavreno
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
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

# The manual page, with this install's paths, and the Debian changelog, both
# compressed as Debian wants them (gzip -9n: no name, no time stamp).
set(KAVRENO_MAN_LIBDIR ${CMAKE_INSTALL_FULL_LIBDIR})
set(KAVRENO_MAN_DATADIR ${CMAKE_INSTALL_FULL_DATADIR})
configure_file(${kavreno_data}/kavreno.1.in ${kavreno_gen}/kavreno.1 @ONLY)
find_program(KV_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${kavreno_gen}/kavreno.1.gz ${kavreno_gen}/changelog.gz
  COMMAND ${KV_GZIP} -9n -c ${kavreno_gen}/kavreno.1 > ${kavreno_gen}/kavreno.1.gz
  COMMAND ${KV_GZIP} -9n -c ${kavreno_data}/debian/changelog > ${kavreno_gen}/changelog.gz
  DEPENDS ${kavreno_gen}/kavreno.1 ${kavreno_data}/debian/changelog
  COMMENT "Compressing the manual page and the changelog"
  VERBATIM)
add_custom_target(kavreno_install_docs ALL
  DEPENDS ${kavreno_gen}/kavreno.1.gz ${kavreno_gen}/changelog.gz)
install(FILES ${kavreno_gen}/kavreno.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT kavreno)
install(FILES ${kavreno_data}/debian/copyright ${kavreno_gen}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kavreno COMPONENT kavreno)

# ---- the Debian package -------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavreno)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kavreno developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "system information viewer with a Japanese interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Kavreno shows in one window the memory, processors, keyboard, system\n\
directories, operating system version, user and computer names of the PC,\n\
and a report of every drive. Without a display it prints the same as text.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Kavreno developers <kavreno@kavreno.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/kavreno/kavreno)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps names the libraries the program and the module link. The X11
# and Wayland platform plugins are loaded by Qt at run time, which it cannot
# see; Japanese fonts and Qt's own Japanese texts are wanted but the program
# runs without them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
