# Resampling tests: sets per second of PermuteF and PermuteVariance.
velmora_bench(stats_bench LIBS velmora_stats SOURCES stats_resampling.cpp)
