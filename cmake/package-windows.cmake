# The Windows packages, made by `cmake --build --preset windows --target package`
# in the build folder:
#   Kavreno-1.0.0-win32.exe   an installer (NSIS: Debian's nsis package)
#   Kavreno-1.0.0-win32.zip   the portable form
# The 64-bit build (preset windows64) is for testing only, where 32-bit Wine
# cannot run; its packages say so in their names and in the installer's
# title: Kavreno-1.0.0-win64-test.exe and .zip, "Kavreno (64-bit test build)".
# Both carry the program, its two help files, the licence and a read-me.
install(TARGETS kavreno RUNTIME DESTINATION .)
install(FILES ${KAVRENO_HELP_FILES} DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME Kavreno)
set(CPACK_PACKAGE_VENDOR "The Kavreno developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(kv_package_arch win64-test)
  set(kv_installer_name "Kavreno (64-bit test build)")
  set(CPACK_KV_NSIS_TARGET "Target amd64-unicode")
  set(CPACK_KV_NSIS_PROGRAM_FILES "$PROGRAMFILES64")
  set(CPACK_KV_NSIS_REGISTRY_VIEW "SetRegView 64")
else()
  set(kv_package_arch win32)
  set(kv_installer_name Kavreno)
  set(CPACK_KV_NSIS_TARGET "Target x86-unicode")
  set(CPACK_KV_NSIS_PROGRAM_FILES "$PROGRAMFILES")
  set(CPACK_KV_NSIS_REGISTRY_VIEW "")
endif()
set(KAVRENO_PACKAGE_FILE_NAME Kavreno-${PROJECT_VERSION}-${kv_package_arch})  # for the tests
set(CPACK_PACKAGE_FILE_NAME ${KAVRENO_PACKAGE_FILE_NAME})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kavreno)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Kavreno)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

# The installer: our own script (packaging/windows/NSIS.template.in).
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
set(CPACK_NSIS_DISPLAY_NAME Kavreno)
set(CPACK_NSIS_PACKAGE_NAME ${kv_installer_name})
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_KV_NSIS_ICON ${PROJECT_SOURCE_DIR}/data/icons/kavreno.ico)

include(CPack)
