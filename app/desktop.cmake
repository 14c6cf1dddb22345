# Desktop integration of the console: menu entry, AppStream metadata and the scalable icon.
# Included from the console's CMakeLists.
include(GNUInstallDirs)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarntool.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# AppStream wants the file named after the component id.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tarntool.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME io.tarn.TarnTool.metainfo.xml)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/res/tarntool.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
