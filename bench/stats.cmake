# Resampling tests: sets per second of PermuteF, BootF and PermuteVariance on
# the points and on the blocks, the precomputation, the crossover.
velmora_bench(stats_bench LIBS velmora_stats SOURCES stats_resampling.cpp)
