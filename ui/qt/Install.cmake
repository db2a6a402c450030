# Install layout of the Linux desktop program:
#   bin/vennox                          (bin/vennox-otp: cli/CMakeLists.txt)
#   share/vennox/help/index.html      (found as ../share/vennox/help from bin/)
#   share/applications/vennox.desktop
#   share/icons/hicolor/<N>x<N>/apps/vennox.png
#   (share/man/man1: docs/man/; share/metainfo, share/doc/vennox: packaging/)
include(GNUInstallDirs)

install(TARGETS vennox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The program looks for its help page next to bin/, so the data directory
# must stay share/ under the same prefix.
install(FILES ${VENNOX_HELP_PAGE}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vennox/help)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/vennox.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

foreach(png IN LISTS VENNOX_ICON_PNGS)
  if(png MATCHES "vennox-([0-9]+)\\.png$")
    set(size ${CMAKE_MATCH_1})
    install(FILES ${png}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vennox.png)
  endif()
endforeach()
