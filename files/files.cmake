if(NOT VEXAGRID_CODECS_ONLY)
  target_sources(vexagrid_form PRIVATE configfiles.h configfiles.cpp)
endif()
