# Every test is in one tier, its CTest label:
#   unit  no pseudo-terminal, no window shown, no subprocess: `ctest -L unit` is the quick loop
#   e2e   the simulated module, a shown window, or a program run as a process
#   slow  end to end and over half a minute alone on two cores
# A test may carry further labels (fuzz) beside its tier.
set(VEXAGRID_TEST_TIERS unit e2e slow)
include("${CMAKE_CURRENT_LIST_DIR}/VexagridLayers.cmake")

# vexagrid_add_qtest(NAME <name> SOURCES <files...> LIBS <targets...> LABELS <tier> [TIMEOUT <s>])
#
# Builds one Qt Test program and registers it with CTest. Every test program runs
# off screen, without the desktop's platform theme (the GTK theme's native file
# dialogs would block a test) and with a time limit, so a hanging test fails.
function(vexagrid_add_qtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;LABELS" "SOURCES;LIBS" ${ARGN})
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
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QPA_PLATFORMTHEME=;VEXAGRID_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR};VEXAGRID_TEST_BIN_DIR=${VEXAGRID_BIN_DIR}")
  # A parallel run starts the long tests first (CTest does so from its own timings once it has
  # any; a fresh build has none, and a slow test started last would run alone at the end).
  if(T_LABELS STREQUAL "slow")
    set_tests_properties(${T_NAME} PROPERTIES COST 100)
  elseif(T_LABELS STREQUAL "e2e")
    set_tests_properties(${T_NAME} PROPERTIES COST 10)
  endif()
endfunction()

# vexagrid_check_test_tiers(): every folder that registers tests calls it once; at the end of
# the folder, each of its tests must carry exactly one tier. At the end of the configuration,
# a folder with tests that never called it fails the configuration too.
function(vexagrid_check_test_tiers)
  set_property(GLOBAL APPEND PROPERTY VEXAGRID_TIERED_FOLDERS "${CMAKE_CURRENT_SOURCE_DIR}")
  cmake_language(DEFER CALL _vexagrid_check_test_tiers)
  get_property(once GLOBAL PROPERTY VEXAGRID_TIERS_WATCHED)
  if(NOT once)
    set_property(GLOBAL PROPERTY VEXAGRID_TIERS_WATCHED TRUE)
    cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL _vexagrid_check_tiered_folders)
  endif()
endfunction()

function(_vexagrid_check_test_tiers)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_property(labels TEST ${test} PROPERTY LABELS)
    set(tiers "")
    foreach(label IN LISTS labels)
      if(label IN_LIST VEXAGRID_TEST_TIERS)
        list(APPEND tiers ${label})
      endif()
    endforeach()
    list(LENGTH tiers count)
    if(NOT count EQUAL 1)
      message(FATAL_ERROR "The test ${test} carries ${count} of the tiers "
                          "${VEXAGRID_TEST_TIERS} (labels: ${labels}): give it one")
    endif()
  endforeach()
endfunction()

function(_vexagrid_check_tiered_folders)
  get_property(tiered GLOBAL PROPERTY VEXAGRID_TIERED_FOLDERS)
  vexagrid_directories("${CMAKE_SOURCE_DIR}" dirs)
  foreach(dir IN LISTS dirs)
    get_property(tests DIRECTORY "${dir}" PROPERTY TESTS)
    if(tests AND NOT dir IN_LIST tiered)
      message(FATAL_ERROR "${dir} registers tests without vexagrid_check_test_tiers()")
    endif()
  endforeach()
endfunction()
