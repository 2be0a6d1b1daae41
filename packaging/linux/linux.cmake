# The panel installed as a desktop program (cmake --install), after the freedesktop layout, and
# its Debian package (CPack; scripts/package builds and checks it).
include(GNUInstallDirs)

set(PUMPPANEL_CAPTION "Tarrow(QMR4T09)V2.0")
set(PUMPPANEL_SOURCE_URL "https://tarrow.example/pumppanel" CACHE STRING
    "Where the repository is published; the metainfo names its screenshot there")
set(linux_dir ${CMAKE_CURRENT_LIST_DIR})
set(app_id com.tarrow.PumpPanel)

install(TARGETS pumppanel pumpsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${linux_dir}/${app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${linux_dir}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
configure_file(${linux_dir}/${app_id}.metainfo.xml.in ${CMAKE_CURRENT_BINARY_DIR}/${app_id}.metainfo.xml
               @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages and the changelog go in compressed, as Debian's policy wants them.
set(compressed)
foreach(source pumppanel.1 pumppanel-pumpsim.1 changelog)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${source}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND gzip -9n -c ${linux_dir}/${source} > ${output}
        DEPENDS ${linux_dir}/${source} VERBATIM)
    list(APPEND compressed ${output})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pumppanel.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/pumppanel-pumpsim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${linux_dir}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pumppanel)
set(CPACK_PACKAGE_VENDOR Tarrow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarrow pump panel developers <pumppanel@tarrow.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PUMPPANEL_SOURCE_URL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for a laboratory pump on a serial line")
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The control panel of the Tarrow QMR4T09 laboratory pump. It opens the serial
port the pump is connected to, polls the pump every 1.5 seconds, shows the
current pressure as a number and a running trend, sets flow and pressure,
starts and stops the pump by hand or as a timed run, and saves the stored
pressure readings to a text file. The interface is in Simplified Chinese.

The package also holds pumppanel-pumpsim, a simulated pump on a
pseudo-terminal, to try the panel without hardware.")
# Library dependencies are worked out by dpkg-shlibdeps. Qt loads its platform plugins (xcb)
# at run time, the captions need a font with Chinese glyphs, and Qt's own buttons and dialogs
# read in Chinese from Qt's translations: none of them shows in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-zenhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
