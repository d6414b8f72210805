# vexagrid_add_qtest(NAME <name> SOURCES <files...> LIBS <targets...> [TIMEOUT <s>])
#
# Builds one Qt Test program and registers it with CTest. Every test program runs
# off screen, without the desktop's platform theme (the GTK theme's native file
# dialogs would block a test) and with a time limit, so a hanging test fails.
function(vexagrid_add_qtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME}
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QPA_PLATFORMTHEME=;VEXAGRID_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR};VEXAGRID_TEST_BIN_DIR=${VEXAGRID_BIN_DIR}")
endfunction()
