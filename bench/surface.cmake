# Benchmarks of the surfaces: the thin-plate warp of a large mesh and its picture.
velmora_bench(bench_surface LIBS velmora_geometry SOURCES ${CMAKE_CURRENT_LIST_DIR}/surface.cpp)
