# The window and the headless core give the same frames and file lines.
if(NOT VEXAGRID_CODECS_ONLY AND TARGET vexagrid_sim)
  vexagrid_add_qtest(NAME tst_equivalence
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_equivalence.cpp
    LIBS vexagrid_windowfixture vexagrid_testsim
    TIMEOUT 600)
  # It runs vexagrid-cli as well.
  if(TARGET vexagrid-cli)
    add_dependencies(tst_equivalence vexagrid-cli)
  endif()
endif()
