# Installation and the Debian package. Included at the end of the top-level CMakeLists.txt,
# once every target exists.

get_filename_component(_kelvara_top ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(_kelvara_packaging ${CMAKE_CURRENT_LIST_DIR})
set(_kelvara_art ${_kelvara_top}/res/art)

# The GUI comes from app/; the package is still useful (and buildable) with the tool alone.
if(TARGET kelvara)
  install(TARGETS kelvara RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS kelvara-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${_kelvara_packaging}/kelvara-launcher DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${_kelvara_packaging}/org.kelvara.Kelvara.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_kelvara_packaging}/org.kelvara.Kelvara.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons under the application id, in every size that has been drawn.
foreach(_size 16 22 24 32 48 64 128 256 512)
  if(EXISTS ${_kelvara_art}/icon-${_size}.png)
    install(FILES ${_kelvara_art}/icon-${_size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
            RENAME org.kelvara.Kelvara.png)
  endif()
endforeach()
if(EXISTS ${_kelvara_art}/kelvara-icon.svg)
  install(FILES ${_kelvara_art}/kelvara-icon.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME org.kelvara.Kelvara.svg)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvara)
set(CPACK_PACKAGE_VENDOR "Kelvara")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(KELVARA_PACKAGE_MAINTAINER "Kelvara developers <dev@kelvara.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${KELVARA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of car air-conditioning compressors")
set(CPACK_PACKAGE_DESCRIPTION
    "Kelvara is a desktop catalogue of car air-conditioning compressors. Find a\n"
    "compressor by car manufacturer and model or by compressor type, and keep the\n"
    "catalogue up to date. The kelvara-db tool creates, imports, exports, checks\n"
    "and backs up catalogue databases.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KELVARA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies (SQLite, Qt, the C++ runtime) come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
