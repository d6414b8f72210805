target_sources(vexagrid_core PRIVATE formorder.h formorder.cpp)

if(NOT VEXAGRID_CODECS_ONLY)
  target_sources(vexagrid_form PRIVATE
    mainwindow.ui
    formcontext.h
    statusbar.h statusbar.cpp
    messagebox.h messagebox.cpp
    departurefilter.h departurefilter.cpp
    checks.h checks.cpp)
endif()
