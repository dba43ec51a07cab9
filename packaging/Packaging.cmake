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

# A stripped install (cpack, or cmake --install --strip) also drops what Debian's strip
# drops: the compiler's .comment and the .note section.
foreach(_program kelvara kelvara-db)
  if(TARGET ${_program})
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
                                --remove-section=.comment --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${_program}\"
                        RESULT_VARIABLE _status)
        if(NOT _status EQUAL 0)
          message(FATAL_ERROR \"cannot strip ${_program}\")
        endif()
      endif()")
  endif()
endforeach()

# Manual pages: kelvara-db's from its own --help (every command's included) through
# help2man; kelvara's and the launcher's are written by hand. All gzipped as Debian wants,
# without a time stamp so that builds are reproducible.
set(_kelvara_generated ${CMAKE_BINARY_DIR}/packaging)
set(KELVARA_DEB_VERSION ${PROJECT_VERSION}-1)
# The date the pages carry: that of the changelog's entry, not the build's.
set(_kelvara_man_epoch 1796644800)
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
set(_kelvara_man_pages kelvara-launcher)
if(TARGET kelvara)
  list(APPEND _kelvara_man_pages kelvara)
endif()
set(_kelvara_man_outputs)
foreach(_page IN LISTS _kelvara_man_pages)
  add_custom_command(
    OUTPUT ${_kelvara_generated}/${_page}.1.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${_kelvara_packaging}/man/${_page}.1 ${_kelvara_generated}/${_page}.1
    COMMAND ${GZIP} -9nf ${_kelvara_generated}/${_page}.1
    DEPENDS ${_kelvara_packaging}/man/${_page}.1
    VERBATIM)
  list(APPEND _kelvara_man_outputs ${_kelvara_generated}/${_page}.1.gz)
endforeach()
if(HELP2MAN)
  add_custom_command(
    OUTPUT ${_kelvara_generated}/kelvara-db.1.gz
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:kelvara-db>
            -DOUT=${_kelvara_generated}/kelvara-db.h2m -P ${_kelvara_packaging}/ManCommands.cmake
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${_kelvara_man_epoch}
            ${HELP2MAN} --no-info --no-discard-stderr --section=1
            "--name=create, check, copy and migrate Kelvara catalogues"
            --include=${_kelvara_generated}/kelvara-db.h2m
            --output=${_kelvara_generated}/kelvara-db.1 $<TARGET_FILE:kelvara-db>
    COMMAND ${GZIP} -9nf ${_kelvara_generated}/kelvara-db.1
    DEPENDS kelvara-db ${_kelvara_packaging}/ManCommands.cmake
    VERBATIM)
  list(APPEND _kelvara_man_outputs ${_kelvara_generated}/kelvara-db.1.gz)
else()
  message(WARNING "help2man not found: the package will lack the kelvara-db manual page "
                  "(apt-get install help2man)")
endif()
add_custom_command(
  OUTPUT ${_kelvara_generated}/changelog.Debian.gz
  COMMAND ${GZIP} -9nfk ${_kelvara_generated}/changelog.Debian
  DEPENDS ${_kelvara_generated}/changelog.Debian
  VERBATIM)
add_custom_target(kelvara_package_docs ALL
                  DEPENDS ${_kelvara_man_outputs} ${_kelvara_generated}/changelog.Debian.gz)
install(FILES ${_kelvara_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_kelvara_packaging}/copyright ${_kelvara_generated}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kelvara)
install(FILES ${_kelvara_packaging}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME kelvara)

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
configure_file(${_kelvara_packaging}/changelog.Debian.in ${_kelvara_generated}/changelog.Debian
               @ONLY)
set(CPACK_PACKAGE_CONTACT ${KELVARA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of car air-conditioning compressors")
# One string: separate quoted lines would make a list, and each ";" would reach the package.
set(CPACK_PACKAGE_DESCRIPTION "Kelvara is a desktop catalogue of car air-conditioning \
compressors. Find a\ncompressor by car manufacturer and model or by compressor type, \
and keep the\ncatalogue up to date. The kelvara-db tool creates, imports, exports, \
checks,\nbacks up and migrates catalogue databases.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A Debian revision: the package carries changelog.Debian.gz, as a non-native package does.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# kelvara-launcher shows its errors with the first of these it finds.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog | x11-utils")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KELVARA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies (SQLite, Qt, the C++ runtime) come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
