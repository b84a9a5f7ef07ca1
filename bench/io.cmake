# Benchmarks of the readers and the loading actions.
velmora_bench(io_bench LIBS velmora_io SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/io_readers.cpp
)
velmora_bench(io_load_bench LIBS velmora_io SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/io_load_file1.cpp
)
