# The Linux program installed as a desktop application (install component "program"):
#   bin/sumtide
#   share/applications/<app id>.desktop          launcher entry
#   share/metainfo/<app id>.metainfo.xml         AppStream data for software centres
#   share/icons/hicolor/<N>x<N>/apps/sumtide.png  every size in resources/icons/hicolor
#   share/icons/hicolor/scalable/apps/sumtide.svg
# The entry and the AppStream data are generated from resources/desktop/*.in, so that the id,
# the icon name and the version are written in one place.

include(GNUInstallDirs)

set(SUMTIDE_ICON_NAME sumtide)

set(desktop_entry ${PROJECT_BINARY_DIR}/desktop/${SUMTIDE_APP_ID}.desktop)
set(metainfo ${PROJECT_BINARY_DIR}/desktop/${SUMTIDE_APP_ID}.metainfo.xml)
if(SUMTIDE_HOMEPAGE_URL)
  set(SUMTIDE_METAINFO_HOMEPAGE "<url type=\"homepage\">${SUMTIDE_HOMEPAGE_URL}</url>")
else()
  set(SUMTIDE_METAINFO_HOMEPAGE "")
endif()
configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/sumtide.desktop.in ${desktop_entry} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/sumtide.metainfo.xml.in ${metainfo} @ONLY)

install(TARGETS sumtide RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${desktop_entry} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT program)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT program)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT program
        FILES_MATCHING PATTERN "${SUMTIDE_ICON_NAME}.png")
install(FILES ${PROJECT_SOURCE_DIR}/resources/sumtide.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${SUMTIDE_ICON_NAME}.svg COMPONENT program)
