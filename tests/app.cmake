if(NOT VEXAGRID_CODECS_ONLY)
  vexagrid_add_qtest(NAME tst_form SOURCES tst_form.cpp
    LIBS vexagrid_app vexagrid_testsupport)
  vexagrid_add_qtest(NAME tst_app SOURCES tst_app.cpp
    LIBS vexagrid_app vexagrid_testsupport)
  vexagrid_add_qtest(NAME tst_dialogdriver SOURCES tst_dialogdriver.cpp
    LIBS vexagrid_testsupport)
endif()
if(NOT VEXAGRID_CODECS_ONLY)
  vexagrid_add_qtest(NAME tst_screenshots SOURCES tst_screenshots.cpp
    LIBS vexagrid_windowfixture)
endif()
if(NOT VEXAGRID_CODECS_ONLY)
  vexagrid_add_qtest(NAME tst_checks SOURCES tst_checks.cpp LIBS vexagrid_windowfixture)
endif()
if(NOT VEXAGRID_CODECS_ONLY)
  vexagrid_add_qtest(NAME tst_files SOURCES tst_files.cpp LIBS vexagrid_windowfixture)
endif()
