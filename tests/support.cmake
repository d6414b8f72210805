# The test support shared by every test program that drives the window.
if(NOT VEXAGRID_CODECS_ONLY)
  add_library(vexagrid_testsupport STATIC
    support/testmain.h
    support/dialogdriver.h support/dialogdriver.cpp)
  target_link_libraries(vexagrid_testsupport PUBLIC Qt6::Widgets Qt6::Test)
  target_include_directories(vexagrid_testsupport PUBLIC "${CMAKE_SOURCE_DIR}")
endif()
