# Windows builds only.

# vexagrid_version_resource(<file.rc>): the version resource of a program. The .rc file
# takes the program's version from these definitions, so that the file properties Windows
# shows always match the program's own version.
function(vexagrid_version_resource rc_file)
  string(REGEX REPLACE "^0+([0-9])" "\\1" _minor "${PROJECT_VERSION_MINOR}")
  set(_patch 0)
  if(PROJECT_VERSION_PATCH)
    set(_patch "${PROJECT_VERSION_PATCH}")
  endif()
  set_source_files_properties(${rc_file} PROPERTIES COMPILE_DEFINITIONS
    "VEXAGRID_VERSION_TEXT=${PROJECT_VERSION};VEXAGRID_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};VEXAGRID_VERSION_MINOR=${_minor};VEXAGRID_VERSION_PATCH=${_patch}")
endfunction()
