# Resampling tests: sets per second of PermuteF, BootF and PermuteVariance on
# the points and on the blocks, the precomputation, the crossover.
velmora_bench(stats_bench LIBS velmora_stats SOURCES stats_resampling.cpp)
# ShapePCA on 1,000 + 1,000 specimens of 1,000 points.
velmora_bench(stats_shapepca_bench LIBS velmora_stats SOURCES stats_shapepca.cpp)
# Procrustes ANOVA with 999 permutations on 1,000 specimens of 100 to 10,000 points.
velmora_bench(stats_procrustes_anova_bench LIBS velmora_stats SOURCES stats_procrustes_anova.cpp)
# Allometry, canonical variates and two-block PLS, 999 permutations, 1,000 specimens of 1,000 points.
velmora_bench(stats_shape_covariation_bench LIBS velmora_stats SOURCES stats_shape_covariation.cpp)
