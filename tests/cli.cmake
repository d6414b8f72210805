# vexagrid-cli, run as a program against simulated modules.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid-cli AND TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_cli
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cli.cpp
    LIBS vexagrid_core vexagrid_device vexagrid_testsim
    TIMEOUT 180)
  add_dependencies(tst_cli vexagrid-cli)
endif()

# Its parsers and commands in-process, where the port probe can be replaced.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid_cli AND TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_cliparsers
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cliparsers.cpp
    LIBS vexagrid_cli vexagrid_testsim)
endif()
