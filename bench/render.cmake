# Benchmarks of the pictures: a full redraw and a drag frame of a large plot.
velmora_bench(render_bench LIBS velmora_display SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_plot.cpp)
