# The test support shared by every test program that drives the window.
if(NOT VEXAGRID_CODECS_ONLY)
  add_library(vexagrid_testsupport STATIC
    support/testmain.h
    support/dialogdriver.h support/dialogdriver.cpp
    support/seriallog.h support/seriallog.cpp)
  target_link_libraries(vexagrid_testsupport PUBLIC Qt6::Widgets Qt6::Test)

  # Tests that drive the whole window link this one.
  add_library(vexagrid_windowfixture STATIC
    support/windowfixture.h support/windowfixture.cpp)
  target_link_libraries(vexagrid_windowfixture PUBLIC vexagrid_app vexagrid_testsupport)
  target_include_directories(vexagrid_testsupport PUBLIC "${CMAKE_SOURCE_DIR}")
endif()
