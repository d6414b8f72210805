# The program's icons, and the files it reads beside itself at run time.
#
# Icons. Everything here is drawn by the project's own tool (tools/artwork/icons.cpp);
# the PNGs in img/ are its output, committed so that building the program does not need
# the tool. After changing a drawing, regenerate them with
#     build/bin/vexagrid-artwork icons resources/img
# or `cmake --build build --target vexagrid_icons`, which runs the same command.
set(VEXAGRID_ICONS
  img/open.png
  img/save.png
  img/exit_icon.png
  img/info_icon.png
  img/up.png
  img/down.png
  img/icon_download.png
  img/Button-Reload-icon.png)

# A static library that the program and the tests link; qt_add_resources puts the
# compiled resources into an object library that travels with it, so the resources are
# registered without a Q_INIT_RESOURCE call.
add_library(vexagrid_resources STATIC)
qt_add_resources(vexagrid_resources "icons" PREFIX "/img" FILES ${VEXAGRID_ICONS})

add_custom_target(vexagrid_icons
  COMMAND vexagrid-artwork icons "${CMAKE_CURRENT_SOURCE_DIR}/img"
  WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
  COMMENT "Drawing the icons into resources/img"
  VERBATIM)

# Runtime files. The program looks for them in the current directory, then beside itself,
# then in ../share/vexagrid (app/runtimefiles.h); the build puts them beside the program
# in bin/, an install puts them into share/vexagrid/. The module picture and the manual
# are made at build time from their sources; the defaults file is copied as it is.
set(_offscreen ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen)
set(_picture "${VEXAGRID_BIN_DIR}/i_vg-3.dll")
set(_manual "${VEXAGRID_BIN_DIR}/vexagrid-help.pdf")
set(_manual_source "${CMAKE_CURRENT_SOURCE_DIR}/manual/vexagrid-help.html")
set(_defaults_source "${CMAKE_CURRENT_SOURCE_DIR}/defval_vg.dll")
set(_defaults "${VEXAGRID_BIN_DIR}/defval_vg.dll")

add_custom_command(OUTPUT "${_picture}"
  COMMAND ${_offscreen} $<TARGET_FILE:vexagrid-artwork> picture "${_picture}"
  DEPENDS vexagrid-artwork
  COMMENT "Drawing the module picture i_vg-3.dll"
  VERBATIM)

add_custom_command(OUTPUT "${_manual}"
  COMMAND ${_offscreen} $<TARGET_FILE:vexagrid-artwork>
          --program-version "${PROJECT_VERSION}" manual "${_manual_source}" "${_manual}"
  DEPENDS vexagrid-artwork "${_manual_source}"
  COMMENT "Typesetting the manual vexagrid-help.pdf"
  VERBATIM)

set(_runtime_files "${_picture}" "${_manual}")
if(EXISTS "${_defaults_source}")
  add_custom_command(OUTPUT "${_defaults}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${_defaults_source}" "${_defaults}"
    DEPENDS "${_defaults_source}"
    COMMENT "Copying the defaults file defval_vg.dll"
    VERBATIM)
  list(APPEND _runtime_files "${_defaults}")
else()
  # Re-run the configuration once the file is there.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}")
  message(STATUS "resources/defval_vg.dll not there yet: the build cannot copy it")
endif()

# The desktop icon, in the sizes desktops ask for most.
set(_app_icon_sizes 48 64 128 256)
set(_app_icons)
foreach(_size IN LISTS _app_icon_sizes)
  set(_icon "${CMAKE_CURRENT_BINARY_DIR}/hicolor/${_size}x${_size}/apps/vexagrid.png")
  add_custom_command(OUTPUT "${_icon}"
    COMMAND ${_offscreen} $<TARGET_FILE:vexagrid-artwork> appicon ${_size} "${_icon}"
    DEPENDS vexagrid-artwork
    COMMENT "Drawing the ${_size}x${_size} desktop icon"
    VERBATIM)
  list(APPEND _app_icons "${_icon}")
endforeach()

add_custom_target(vexagrid_runtime_files ALL DEPENDS ${_runtime_files} ${_app_icons})
if(TARGET vexagrid)
  add_dependencies(vexagrid vexagrid_runtime_files)
endif()

# Installed beside the program's own data; the executable itself is installed by app/.
install(FILES ${_runtime_files} DESTINATION "${CMAKE_INSTALL_DATADIR}/vexagrid")
install(FILES vexagrid.desktop DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
foreach(_size IN LISTS _app_icon_sizes)
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/hicolor/${_size}x${_size}/apps/vexagrid.png"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps")
endforeach()
