# vexagrid-artwork: draws the program's icons, the module picture and the application
# icon with QPainter, and typesets the manual into a PDF. A build tool: nothing of it is
# installed. It needs a QGuiApplication for text, so it runs on the offscreen platform.
#
# A cross build (Windows) cannot run its own tool: it takes a host build's one instead,
#   -DVEXAGRID_HOST_ARTWORK=/path/to/host/build/bin/vexagrid-artwork
set(VEXAGRID_HOST_ARTWORK "" CACHE FILEPATH "A host build's vexagrid-artwork, for cross builds")
if(VEXAGRID_HOST_ARTWORK)
  add_executable(vexagrid-artwork IMPORTED GLOBAL)
  set_target_properties(vexagrid-artwork PROPERTIES IMPORTED_LOCATION "${VEXAGRID_HOST_ARTWORK}")
  return()
elseif(CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "A cross build needs -DVEXAGRID_HOST_ARTWORK=<a host build's vexagrid-artwork>")
endif()
qt_add_executable(vexagrid-artwork
  artwork/main.cpp
  artwork/palette.h
  artwork/icons.h artwork/icons.cpp
  artwork/modulepicture.h artwork/modulepicture.cpp
  artwork/manual.h artwork/manual.cpp)
target_link_libraries(vexagrid-artwork PRIVATE Qt6::Gui)
