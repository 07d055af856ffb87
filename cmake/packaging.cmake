# Installation under the prefix and the Debian package.
include(GNUInstallDirs)

foreach(program seo-rewriter content-service)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/assets/seo-rewriter.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/seo-rewriter-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME seo-rewriter.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/seo-rewriter.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME seo-rewriter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "seo-rewriter maintainers <maintainers@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop client of an article-rewriting service")
set(CPACK_PACKAGE_DESCRIPTION
    "Rewrites pasted articles and batches of text files through the content service, with its originality report. Includes content-service, a local stand-in of the service for demonstrations.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Runtime libraries come from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
