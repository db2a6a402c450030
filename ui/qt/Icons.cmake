# The window icon: the Windows icon's artwork as PNGs, drawn by ui/res
# (VENNOX_ICON_PNGS), embedded as a Qt resource under :/vennox/.
if(NOT VENNOX_ICON_PNGS)
  message(WARNING "vennox: no icon PNGs from ui/res; the window gets no icon")
  return()
endif()
qt_add_resources(vennox_qt_host vennox_icon
  PREFIX /vennox
  BASE ${VENNOX_RES_BINARY_DIR}
  FILES ${VENNOX_ICON_PNGS}
  OUTPUT_TARGETS icon_targets)
add_dependencies(vennox_qt_host vennox_icons)
foreach(t IN LISTS icon_targets)
  add_dependencies(${t} vennox_icons)
endforeach()
