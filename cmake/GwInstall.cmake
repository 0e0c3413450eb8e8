# Where an installed Glyphwright puts its files (the Filesystem Hierarchy
# Standard, relative to the prefix):
#   bin/glyphwright, bin/gwconvert
#   libexec/glyphwright/       gwconvert's parts that load Qt (cli/convert_parts.h)
#   share/glyphwright/         the help page, Fonts/ (site-wide FIGlet fonts), SLib/
#   share/applications/        the desktop entry
#   share/mime/packages/       the ".gwp" file type
#   share/icons/hicolor/       the icon, scalable and in PNG sizes
#   share/metainfo/            the AppStream description
#   share/man/man1/            the manual pages
#   share/bash-completion/completions/gwconvert
#   share/doc/glyphwright/     copyright and changelog
# The programs find their data through ui/app_folders: share/glyphwright
# beside bin when installed, their own folder in a build tree.
include(GNUInstallDirs)

set(GW_DATA_DEST ${CMAKE_INSTALL_DATADIR}/glyphwright)
set(GW_RES ${PROJECT_SOURCE_DIR}/res)

install(TARGETS glyphwright gwconvert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS gwconvert-qtcore gwconvert-draw
    RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/glyphwright)

install(FILES ${GW_RES}/help/GWHelp.html DESTINATION ${GW_DATA_DEST})
file(GLOB GW_INSTALL_HELP_IMAGES CONFIGURE_DEPENDS ${GW_RES}/icons/*.svg)
install(FILES ${GW_INSTALL_HELP_IMAGES} DESTINATION ${GW_DATA_DEST}/GWHelp_files)
install(DIRECTORY ${GW_RES}/slib/ DESTINATION ${GW_DATA_DEST}/SLib)
install(DIRECTORY DESTINATION ${GW_DATA_DEST}/Fonts)

install(FILES ${GW_RES}/desktop/com.quillmark.Glyphwright.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${GW_RES}/desktop/glyphwright.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${GW_RES}/desktop/com.quillmark.Glyphwright.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${GW_RES}/icons/app.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME glyphwright.svg)
foreach(size IN LISTS GW_ICON_SIZES)
    install(FILES ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/glyphwright.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${GW_RES}/completion/gwconvert
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages and the changelog are installed compressed, as Debian wants.
set(GW_GZ_DIR ${CMAKE_BINARY_DIR}/package)
set(GW_GZ_FILES)
foreach(pair IN ITEMS "man/glyphwright.1|glyphwright.1.gz" "man/gwconvert.1|gwconvert.1.gz"
                      "package/changelog|changelog.gz")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 target)
    add_custom_command(OUTPUT ${GW_GZ_DIR}/${target}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${GW_GZ_DIR}
        COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${GW_RES}/${source} ${GW_GZ_DIR}/${target}
        DEPENDS ${GW_RES}/${source}
        VERBATIM)
    list(APPEND GW_GZ_FILES ${GW_GZ_DIR}/${target})
endforeach()
add_custom_target(gw_package_files ALL DEPENDS ${GW_GZ_FILES})
install(FILES ${GW_GZ_DIR}/glyphwright.1.gz ${GW_GZ_DIR}/gwconvert.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${GW_RES}/package/copyright ${GW_GZ_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glyphwright)

# cpack -G DEB: the libraries it needs come from dpkg-shlibdeps; what no
# library link shows is named here: Qt's X11 platform plugin, the font the
# canvas draws with, and, recommended, the FIGlet fonts and more picture
# formats.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glyphwright)
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_CONTACT "Quillmark <glyphwright@quillmark.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for pictures and animations made of characters")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillmark.example.org/glyphwright)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "figlet, toilet-fonts, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the synopsis; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Glyphwright draws pictures and short animations on a grid of cells, each
cell one character in its own colour on one canvas background. It has
brushes, lines, curves, shapes, fills, selections, frames with playback,
FIGlet lettering, picture conversion and a symbol library, keeps autosave
copies for crash recovery, and exports text, HTML, PNG, animated GIF and
ANSI. The gwconvert command converts drawings without a window.")
include(CPack)
