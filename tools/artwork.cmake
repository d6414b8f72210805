# vexagrid-artwork: draws the program's icons, the module picture and the application
# icon with QPainter, and typesets the manual into a PDF. A build tool: nothing of it is
# installed. It needs a QGuiApplication for text, so it runs on the offscreen platform.
qt_add_executable(vexagrid-artwork
  artwork/main.cpp
  artwork/palette.h
  artwork/icons.h artwork/icons.cpp
  artwork/modulepicture.h artwork/modulepicture.cpp
  artwork/manual.h artwork/manual.cpp)
target_link_libraries(vexagrid-artwork PRIVATE Qt6::Gui)
