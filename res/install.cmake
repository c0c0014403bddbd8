# Desktop integration: the menu entry and the icons in the freedesktop.org places.
include(GNUInstallDirs)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/vesperline.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
  set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size})
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/icons/vesperline-${size}.png DESTINATION ${icon_dir}/apps
          RENAME vesperline.png)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/icons/vesperline-document-${size}.png DESTINATION ${icon_dir}/mimetypes
          RENAME vesperline-document.png)
endforeach()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/icons/vesperline.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# AppStream metadata for software centres. Its screenshot is res/screenshots/,
# made by scripts/screenshot and published under the homepage.
set(VL_APP_ID org.example.vesperline)
set(VL_METAINFO ${CMAKE_CURRENT_BINARY_DIR}/${VL_APP_ID}.metainfo.xml)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/vesperline.metainfo.xml.in ${VL_METAINFO} @ONLY)
install(FILES ${VL_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
