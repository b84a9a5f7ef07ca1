// The inner loops of the resampling tests: cross products, sums of fitted
// specimens and squared distances over p by 3 configurations stored column by
// column (column b of a specimen starts b * p values after its first value).
// Chosen once for the processor: an AVX2/FMA build where the processor has it,
// a portable one otherwise.
#pragma once

namespace velmora::detail {

struct FitKernels {
  /// For each specimen k of n: B_k = X_k' * M (3 by 3, column by column, at
  /// B + 9k), X_k and M p by 3.
  void (*cross)(const double* const* x, int n, const double* m, int p, double* b);
  /// S = sum over k of X_k * T_k (p by 3), T_k the 3 by 3 matrix at t + 9k.
  void (*sum_fitted)(const double* const* x, const double* t, int n, int p, double* s);
  /// out[k] = the summed squared differences between M and X_k * T_k, summed
  /// over each column first and then over the three columns.
  void (*squared_distances)(const double* const* x, const double* t, int n, const double* m, int p, double* out);
  /// out = w_0 x_0 + w_1 x_1 + ... element by element, in specimen order.
  void (*weighted_sum)(const double* const* x, const double* w, int n, int length, double* out);
  /// The polar factors of four 3 by 3 matrices (a + 9l to r + 9l, l = 0..3) by
  /// the scaled Newton iteration of polar3; fallback[l] = 1 where polar3 must
  /// decide instead (near singular, not finite, not converging).
  void (*polar4)(const double* a, double* r, unsigned char* fallback);
  /// The mean of each of the three columns of x (p by 3).
  void (*column_means)(const double* x, int p, double* means);
  /// The centroid size of x (p by 3): the square root of the summed squared
  /// deviations from the column means.
  double (*centroid_size)(const double* x, int p);
  /// Q_r = sum over c of K(rows[r], cols[c]) * A_c for r = 0..n_rows-1, in the
  /// order of c; rows and cols ascending. K is a symmetric matrix of 3 by 3
  /// blocks of which only blocks (a, b), b >= a, are stored, at k +
  /// row_start[a] + 9b (K(b, a) is the transpose of K(a, b)). A_c at a + 9c;
  /// Q_r written at q + 9r; every 3 by 3 matrix row by row. Reads up to 4
  /// values past the last A_c and writes up to 4 past the last Q_r (both
  /// arrays padded).
  void (*block_products)(const double* k, const long* row_start, const int* rows, int n_rows, const int* cols,
                         int n_cols, const double* a, double* q);
  /// Q_r = sum over c of w_c K(members[r], members[c]) within one group of n
  /// (members ascending; K and Q as for block_products, w one weight per
  /// member).
  void (*block_sums)(const double* k, const long* row_start, const int* members, int n, const double* w, double* q);
  const char* name;
};

/// The polar factors (polar3) of the n 3 by 3 matrices at b (column by column,
/// 9 apart) into r, four at a time on the kernels with polar3 deciding the
/// lanes they hand back.
void polar_factors(const double* b, int n, double* r);

/// The kernels for this processor.
const FitKernels& fit_kernels();
/// The portable kernels (for tests comparing the two).
const FitKernels& portable_fit_kernels();

}  // namespace velmora::detail
