# Benchmarks of src/geometry.
velmora_bench(bench_geometry_getpproc3 LIBS velmora_geometry SOURCES ${CMAKE_CURRENT_LIST_DIR}/geometry_getpproc3.cpp)
velmora_bench(bench_geometry_slide_samples LIBS velmora_geometry SOURCES ${CMAKE_CURRENT_LIST_DIR}/geometry_slide_samples.cpp)
