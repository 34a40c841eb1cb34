# What `cmake --install` (make install) puts where, and the packages `make package` builds.
#
#   bin/tarvik                                  the program
#   share/tarvik/                               its files: branding, chart template, logo, guide
#   share/applications/org.tarvik.Tarvik.desktop
#   share/icons/hicolor/{48x48,128x128,256x256,scalable}/apps/org.tarvik.Tarvik.{png,svg}
#   share/metainfo/org.tarvik.Tarvik.metainfo.xml
#   share/man/man1/tarvik.1.gz
#
# The program looks for its files beside itself first, then in ../share/tarvik, so the build
# folder, a dealer's copy and an installed program all find them.

set(TARVIK_APP_ID org.tarvik.Tarvik)
set(tarvik_shared_files
    ${PROJECT_SOURCE_DIR}/resources/Tarvik.cfg
    ${PROJECT_SOURCE_DIR}/resources/Tarvik_Chart.oc2
    ${PROJECT_SOURCE_DIR}/resources/Orvenna_Logo.gif
    ${PROJECT_SOURCE_DIR}/resources/Tarvik_Help.html)

if(WIN32)
    set_target_properties(tarvik PROPERTIES WIN32_EXECUTABLE ON)
    # Windows: one folder, the program with its files and the Qt libraries beside it.
    install(TARGETS tarvik RUNTIME DESTINATION .)
    install(FILES ${tarvik_shared_files} DESTINATION .)
    # windeployqt brings Qt's libraries only; a shared muparser goes beside the program too.
    get_target_property(tarvik_muparser_type muparser::muparser TYPE)
    if(tarvik_muparser_type STREQUAL "SHARED_LIBRARY")
        install(IMPORTED_RUNTIME_ARTIFACTS muparser::muparser RUNTIME DESTINATION .)
    endif()
    find_program(TARVIK_WINDEPLOYQT windeployqt HINTS "${QT6_INSTALL_PREFIX}/bin")
    if(TARVIK_WINDEPLOYQT)
        install(CODE "
            execute_process(
                COMMAND \"${TARVIK_WINDEPLOYQT}\" --release --no-translations --no-compiler-runtime
                        \"\${CMAKE_INSTALL_PREFIX}/tarvik.exe\"
                RESULT_VARIABLE tarvik_deploy_result)
            if(NOT tarvik_deploy_result EQUAL 0)
                message(FATAL_ERROR \"windeployqt failed: \${tarvik_deploy_result}\")
            endif()")
    else()
        message(WARNING "windeployqt not found: the installed program will lack the Qt libraries")
    endif()
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    include(InstallRequiredSystemLibraries)

    set(CPACK_GENERATOR ZIP NSIS)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarvik)
    set(CPACK_NSIS_DISPLAY_NAME Tarvik)
    set(CPACK_NSIS_PACKAGE_NAME Tarvik)
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/icons/org.tarvik.Tarvik.ico)
    set(CPACK_NSIS_INSTALLED_ICON_NAME tarvik.exe)
    set(CPACK_NSIS_CREATE_ICONS_EXTRA
        "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Tarvik.lnk' '$INSTDIR\\\\tarvik.exe'")
    set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$START_MENU\\\\Tarvik.lnk'")
else()
    install(TARGETS tarvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${tarvik_shared_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvik)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/${TARVIK_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/${TARVIK_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 48 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${TARVIK_APP_ID}-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME ${TARVIK_APP_ID}.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${TARVIK_APP_ID}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    # Manual pages are installed compressed, as Debian's policy asks.
    set(tarvik_man_gz ${CMAKE_BINARY_DIR}/tarvik.1.gz)
    add_custom_command(OUTPUT ${tarvik_man_gz}
        COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/resources/linux/tarvik.1 > ${tarvik_man_gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/linux/tarvik.1 VERBATIM)
    add_custom_target(tarvik_man ALL DEPENDS ${tarvik_man_gz})
    install(FILES ${tarvik_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # The copyright file and change log every Debian package carries.
    set(tarvik_changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
    add_custom_command(OUTPUT ${tarvik_changelog_gz}
        COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/resources/linux/changelog > ${tarvik_changelog_gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/linux/changelog VERBATIM)
    add_custom_target(tarvik_changelog ALL DEPENDS ${tarvik_changelog_gz})
    install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/copyright ${tarvik_changelog_gz}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvik)

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_PACKAGE_NAME tarvik)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarvik.org/")
    # The platform plugin, the SQLite driver of the pass library and the fonts are loaded at
    # run time, so shlibdeps cannot see them.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite, fonts-dejavu-core")
    set(CPACK_STRIP_FILES ON)
endif()

set(CPACK_PACKAGE_NAME tarvik)
set(CPACK_PACKAGE_VENDOR "Tarvik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.1)
set(CPACK_PACKAGE_CONTACT "Tarvik developers <dev@tarvik.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of a progressive nitrous controller")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvik talks to a progressive nitrous-injection controller over RS-232.
It shows the controller's live readings on a gauge panel, downloads its
2700-sample log, keeps data sets as .log text files, and charts and prints
them with a movable time window and a click-to-read marker.")
set(CPACK_PACKAGE_EXECUTABLES tarvik Tarvik)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/resources/linux/copyright)
include(CPack)
