# Benchmarks of src/geometry.
velmora_bench(bench_geometry_getpproc3 LIBS velmora_geometry SOURCES ${CMAKE_CURRENT_LIST_DIR}/geometry_getpproc3.cpp)
