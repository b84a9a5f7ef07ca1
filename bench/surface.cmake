# Benchmarks of the surfaces: the thin-plate warp of a large mesh and its picture.
velmora_bench(bench_surface LIBS velmora_geometry SOURCES ${CMAKE_CURRENT_LIST_DIR}/surface.cpp)
# The OpenGL view turning such a surface: needs a display (bench/surface_view_fps
# runs it under Xvfb).
if(VELMORA_WITH_QT)
  velmora_bench(bench_surface_view LIBS velmora_qt SOURCES ${CMAKE_CURRENT_LIST_DIR}/surface_view.cpp)
endif()
