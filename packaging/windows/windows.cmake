# The Windows side of the panel: the program's icon, version and manifest, and the folder that
# runs on a PC with nothing installed (cmake --install), from which the zip and the setup
# program are made.

set(PUMPPANEL_CAPTION "Tarrow(QMR4T09)V2.0")
set(windows_dir ${CMAKE_CURRENT_LIST_DIR})

# A windowed program: no console opens beside the panel.
set_target_properties(pumppanel PROPERTIES WIN32_EXECUTABLE TRUE)
set(PUMPPANEL_ICON ${PROJECT_SOURCE_DIR}/src/app/images/icon.ico)
set(PUMPPANEL_MANIFEST ${windows_dir}/pumppanel.exe.manifest)
configure_file(${windows_dir}/pumppanel.rc.in ${CMAKE_CURRENT_BINARY_DIR}/pumppanel.rc @ONLY)
target_sources(pumppanel PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/pumppanel.rc)
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/pumppanel.rc APPEND PROPERTY OBJECT_DEPENDS
    ${PUMPPANEL_ICON} ${PUMPPANEL_MANIFEST})

# The setup program takes its name and version from here.
configure_file(${windows_dir}/version.nsh.in ${CMAKE_CURRENT_BINARY_DIR}/version.nsh @ONLY)

# Everything in one folder, as Windows finds DLLs beside the program and Qt its plugins in
# folders beside it.
install(TARGETS pumppanel RUNTIME DESTINATION .)
foreach(module Core Gui Widgets PrintSupport SerialPort)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
# Qt's own texts in Chinese (OK, Cancel, the file and print dialogs, the serial port's errors).
# The translations are the same files on every platform; Debian's qt6-translations-l10n holds them.
set(PUMPPANEL_QT_TRANSLATIONS_DIR /usr/share/qt6/translations CACHE PATH
    "Where Qt's .qm translations are (qt6-translations-l10n)")
set(PUMPPANEL_QT_TRANSLATIONS)
foreach(name qtbase_zh_CN qtserialport_zh_CN)
    set(file ${PUMPPANEL_QT_TRANSLATIONS_DIR}/${name}.qm)
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "${file} is missing: scripts/setup installs qt6-translations-l10n")
    endif()
    list(APPEND PUMPPANEL_QT_TRANSLATIONS ${file})
endforeach()
install(FILES ${PUMPPANEL_QT_TRANSLATIONS} DESTINATION translations)
# Windows printing is part of Qt6PrintSupport itself, and the pictures are PNG and BMP, which Qt
# reads without an image-format plugin.

# The MinGW runtime the program and Qt were built with.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${runtime} is")
    endif()
    install(FILES ${runtime_path} DESTINATION .)
endforeach()
