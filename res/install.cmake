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
