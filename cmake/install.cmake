# What `cmake --install` lays out under the prefix (the help pages install
# from src/app/help), and the Debian package made from the same layout.
set(TESSALIN_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS tessalin-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET tessalin)
  install(TARGETS tessalin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${TESSALIN_PACKAGING_DIR}/${TESSALIN_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TESSALIN_PACKAGING_DIR}/${TESSALIN_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  file(GLOB TESSALIN_ICON_SIZES RELATIVE ${TESSALIN_PACKAGING_DIR}/icons ${TESSALIN_PACKAGING_DIR}/icons/*)
  foreach(size ${TESSALIN_ICON_SIZES})
    install(FILES ${TESSALIN_PACKAGING_DIR}/icons/${size}/${TESSALIN_APP_ID}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
  endforeach()
  configure_file(${TESSALIN_PACKAGING_DIR}/tessalin.1.in ${CMAKE_CURRENT_BINARY_DIR}/tessalin.1 @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tessalin.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/packaging.cmake)
