# The layering check (cmake/check-layers.cmake) on scratch trees: a clean tree it must pass,
# and one row per violation it must catch, naming the culprit and nothing else.
#   cmake -DSOURCE_DIR=<project> -DWORK_DIR=<scratch folder> -DGENERATOR=<gen> -P tst_layering.cmake
cmake_minimum_required(VERSION 3.25)

# The clean tree: device and form on core, app on both, Qt Widgets (and through it Qt Gui)
# for the form; tests/ and fuzz/ beside the program.
set(clean "${WORK_DIR}/clean")
file(REMOVE_RECURSE "${WORK_DIR}")
function(scratch_file path text)
  file(WRITE "${clean}/${path}" "${text}\n")
endfunction()
scratch_file(CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.25)
project(scratch LANGUAGES NONE)
include("${VEXAGRID_SOURCE_DIR}/cmake/VexagridLayers.cmake")
add_library(Qt6::Gui INTERFACE IMPORTED)
add_library(Qt6::Widgets INTERFACE IMPORTED)
set_target_properties(Qt6::Widgets PROPERTIES INTERFACE_LINK_LIBRARIES Qt6::Gui)
foreach(folder core device form app tests fuzz)
  add_subdirectory(${folder})
endforeach()
vexagrid_write_link_graph("${CMAKE_BINARY_DIR}/graph.cmake")]=])
scratch_file(core/CMakeLists.txt "add_library(vexagrid_core INTERFACE)")
scratch_file(device/CMakeLists.txt [=[
add_library(vexagrid_device INTERFACE)
target_link_libraries(vexagrid_device INTERFACE vexagrid_core)]=])
scratch_file(form/CMakeLists.txt [=[
add_library(vexagrid_form INTERFACE)
target_link_libraries(vexagrid_form INTERFACE vexagrid_core Qt6::Widgets)]=])
scratch_file(app/CMakeLists.txt [=[
add_library(vexagrid_app INTERFACE)
target_link_libraries(vexagrid_app INTERFACE vexagrid_form vexagrid_device)]=])
scratch_file(tests/CMakeLists.txt [=[
add_library(vexagrid_testsupport INTERFACE)
target_link_libraries(vexagrid_testsupport INTERFACE vexagrid_app)]=])
scratch_file(fuzz/CMakeLists.txt [=[
add_library(fuzz_fields INTERFACE)
target_link_libraries(fuzz_fields INTERFACE vexagrid_core)]=])
scratch_file(core/fields.h "#pragma once\n#include <QString>")
scratch_file(core/fields.cpp "#include \"core/fields.h\"\n#include \"fields.h\"")
scratch_file(device/port.h "#include \"core/fields.h\"")
scratch_file(form/mainwindow.ui "<ui/>")
scratch_file(form/bindings.h "#include \"core/fields.h\"\n#include \"ui_mainwindow.h\"")
scratch_file(app/mainwindow.h [=[
#include "core/fields.h"
#include "device/port.h"
#include "form/bindings.h"
#include "ui_mainwindow.h"]=])
scratch_file(app/mainwindow.cpp "#include \"app/mainwindow.h\"\n#include \"mainwindow.moc\"")
scratch_file(tests/support/driver.h "#pragma once")
scratch_file(tests/tst_app.cpp [=[
#include "app/mainwindow.h"
#include "tests/support/driver.h"
#include <QTest>]=])
scratch_file(fuzz/fuzztarget.h "#pragma once")
scratch_file(fuzz/fuzz_fields.cpp "#include \"core/fields.h\"\n#include \"fuzz/fuzztarget.h\"")

# Checks `tree`, configured first when its build rules differ from the clean tree's; `rc`
# and `out` are the check's.
function(check tree rc out)
  set(graph "${clean}-build/graph.cmake")
  if(tree STREQUAL clean OR ARGN)
    set(graph "${tree}-build/graph.cmake")
    configure("${tree}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -DGRAPH=${graph}
                          -P "${SOURCE_DIR}/cmake/check-layers.cmake"
                  RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE text)
  set(${rc} "${result}" PARENT_SCOPE)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(configure tree)
  execute_process(COMMAND ${CMAKE_COMMAND} -G "${GENERATOR}" -S "${tree}" -B "${tree}-build"
                          -DVEXAGRID_SOURCE_DIR=${SOURCE_DIR}
                  RESULT_VARIABLE configured OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT configured EQUAL 0)
    message(FATAL_ERROR "The scratch tree ${tree} does not configure:\n${log}")
  endif()
endfunction()

check("${clean}" rc out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "The clean scratch tree fails the check:\n${out}")
endif()

set(missed "")
set(row 0)
# The clean tree plus one line, appended to `file`; the check must fail and name `culprit`.
function(violation what file line culprit)
  math(EXPR row "${row} + 1")
  set(row ${row} PARENT_SCOPE)
  set(tree "${WORK_DIR}/${row}")
  file(COPY "${clean}/" DESTINATION "${tree}")
  file(APPEND "${tree}/${file}" "${line}\n")
  set(reconfigure "")
  if(file MATCHES "CMakeLists.txt$")
    set(reconfigure CONFIGURE)
  endif()
  check("${tree}" rc out ${reconfigure})
  string(FIND "${out}" "${culprit}" at)
  if(rc EQUAL 0 OR at EQUAL -1 OR NOT out MATCHES "\\(1 found\\)")
    set(missed "${missed}\n${what} (${file}: ${line}): expected one problem, ${culprit}; got:\n${out}"
        PARENT_SCOPE)
  else()
    message(STATUS "caught: ${what}")
  endif()
endfunction()

#         what                                  file                  line appended
#         culprit the check must name
violation("an include that points up"           core/up.cpp           [=[#include "app/mainwindow.h"]=]
          [=[core/up.cpp: #include "app/mainwindow.h": core/ does not link app/]=])
violation("the same, as a relative path"        core/relative.cpp     [=[#include "../app/mainwindow.h"]=]
          [=[core/relative.cpp: #include "../app/mainwindow.h": a relative path]=])
violation("the same, in angle brackets"         core/angle.cpp        [=[#include <app/mainwindow.h>]=]
          [=[core/angle.cpp: #include <app/mainwindow.h>: a project header in angle brackets]=])
violation("a test's header in program code"     app/testing.cpp       [=[#include "tests/support/driver.h"]=]
          [=[app/testing.cpp: #include "tests/support/driver.h": program code must not use tests/]=])
violation("a fuzz target's header in program code" device/fuzzing.cpp [=[#include "fuzz/fuzztarget.h"]=]
          [=[device/fuzzing.cpp: #include "fuzz/fuzztarget.h": program code must not use fuzz/]=])
violation("an include that points up, in a .hpp" core/up.hpp          [=[#include "app/mainwindow.h"]=]
          [=[core/up.hpp: #include "app/mainwindow.h": core/ does not link app/]=])
violation("a link in a generator expression"    core/CMakeLists.txt
          [=[target_link_libraries(vexagrid_core INTERFACE $<BUILD_INTERFACE:Qt6::Widgets>)]=]
          [=[vexagrid_core (core/): links "$<BUILD_INTERFACE:Qt6::Widgets>": the check cannot read it]=])
violation("an include of a folder not linked"   form/port.cpp         [=[#include "device/port.h"]=]
          [=[form/port.cpp: #include "device/port.h": form/ does not link device/]=])
violation("the window's form in a headless layer" device/view.cpp     [=[#include "ui_mainwindow.h"]=]
          [=[device/view.cpp: #include "ui_mainwindow.h": device/ does not link form/]=])
violation("another folder's header by its name" device/bare.cpp       [=[#include "fields.h"]=]
          [=[device/bare.cpp: #include "fields.h": another folder's header by its bare name]=])
violation("an include through a macro"          core/macro.cpp        [=[#include FIELDS_HEADER]=]
          [=[core/macro.cpp: #include FIELDS_HEADER: an include the check cannot read]=])
violation("Qt Widgets, and Gui through it, under a headless layer" device/CMakeLists.txt
          [=[target_link_libraries(vexagrid_device INTERFACE Qt6::Widgets)]=]
          [=[vexagrid_device (device/): links Qt6::Widgets, Qt6::Gui (device/ must not link]=])
violation("program code linking a fuzz target's library" app/CMakeLists.txt
          [=[target_link_libraries(vexagrid_app INTERFACE fuzz_fields)]=]
          [=[vexagrid_app (app/): links fuzz_fields of fuzz/, which program code must not use]=])

if(missed)
  message(FATAL_ERROR "The layering check let through:${missed}")
endif()
message(STATUS "The layering check passes the clean tree and catches all ${row} violations.")
