// Body of the fit kernels, compiled once per instruction set (see
// fit_kernels_portable.cpp and fit_kernels_avx2.cpp), so it is one file.
// Include only there, inside a namespace of its own: it uses no shared inline
// code, so the two builds cannot be mixed up by the linker.

#pragma GCC diagnostic ignored "-Wpsabi"

using Vec4 = double __attribute__((vector_size(32)));

static inline Vec4 load4(const double* p) {
  Vec4 v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

static inline void store4(double* p, Vec4 v) { __builtin_memcpy(p, &v, sizeof v); }

static inline double sum4(Vec4 v) { return (v[0] + v[1]) + (v[2] + v[3]); }

static void cross(const double* const* x, int n, const double* m, int p, double* b) {
  const double* m0 = m;
  const double* m1 = m + p;
  const double* m2 = m + 2 * p;
  for (int k = 0; k < n; ++k) {
    const double* x0 = x[k];
    const double* x1 = x0 + p;
    const double* x2 = x0 + 2 * p;
    Vec4 a00 = {0, 0, 0, 0}, a10 = a00, a20 = a00, a01 = a00, a11 = a00, a21 = a00, a02 = a00, a12 = a00, a22 = a00;
    int i = 0;
    for (; i + 4 <= p; i += 4) {
      const Vec4 u0 = load4(x0 + i), u1 = load4(x1 + i), u2 = load4(x2 + i);
      const Vec4 w0 = load4(m0 + i), w1 = load4(m1 + i), w2 = load4(m2 + i);
      a00 += u0 * w0;
      a10 += u1 * w0;
      a20 += u2 * w0;
      a01 += u0 * w1;
      a11 += u1 * w1;
      a21 += u2 * w1;
      a02 += u0 * w2;
      a12 += u1 * w2;
      a22 += u2 * w2;
    }
    double s[9] = {sum4(a00), sum4(a10), sum4(a20), sum4(a01), sum4(a11), sum4(a21), sum4(a02), sum4(a12), sum4(a22)};
    for (; i < p; ++i) {
      const double u0 = x0[i], u1 = x1[i], u2 = x2[i];
      s[0] += u0 * m0[i];
      s[1] += u1 * m0[i];
      s[2] += u2 * m0[i];
      s[3] += u0 * m1[i];
      s[4] += u1 * m1[i];
      s[5] += u2 * m1[i];
      s[6] += u0 * m2[i];
      s[7] += u1 * m2[i];
      s[8] += u2 * m2[i];
    }
    double* out = b + 9 * k;
    for (int j = 0; j < 9; ++j) out[j] = s[j];
  }
}

static void sum_fitted(const double* const* x, const double* t, int n, int p, double* s) {
  double* s0 = s;
  double* s1 = s + p;
  double* s2 = s + 2 * p;
  // One specimen after another, streaming through it, the running sum kept in
  // s: every specimen's contribution is added in specimen order.
  for (int k = 0; k < n; ++k) {
    const double* x0 = x[k];
    const double* x1 = x0 + p;
    const double* x2 = x0 + 2 * p;
    const double* tk = t + 9 * k;
    const double t0 = tk[0], t1 = tk[1], t2 = tk[2], t3 = tk[3], t4 = tk[4], t5 = tk[5], t6 = tk[6], t7 = tk[7],
                 t8 = tk[8];
    int i = 0;
    if (k == 0) {
      for (; i + 4 <= p; i += 4) {
        const Vec4 u0 = load4(x0 + i), u1 = load4(x1 + i), u2 = load4(x2 + i);
        store4(s0 + i, u0 * t0 + u1 * t1 + u2 * t2);
        store4(s1 + i, u0 * t3 + u1 * t4 + u2 * t5);
        store4(s2 + i, u0 * t6 + u1 * t7 + u2 * t8);
      }
      for (; i < p; ++i) {
        const double u0 = x0[i], u1 = x1[i], u2 = x2[i];
        s0[i] = u0 * t0 + u1 * t1 + u2 * t2;
        s1[i] = u0 * t3 + u1 * t4 + u2 * t5;
        s2[i] = u0 * t6 + u1 * t7 + u2 * t8;
      }
      continue;
    }
    for (; i + 4 <= p; i += 4) {
      const Vec4 u0 = load4(x0 + i), u1 = load4(x1 + i), u2 = load4(x2 + i);
      store4(s0 + i, load4(s0 + i) + (u0 * t0 + u1 * t1 + u2 * t2));
      store4(s1 + i, load4(s1 + i) + (u0 * t3 + u1 * t4 + u2 * t5));
      store4(s2 + i, load4(s2 + i) + (u0 * t6 + u1 * t7 + u2 * t8));
    }
    for (; i < p; ++i) {
      const double u0 = x0[i], u1 = x1[i], u2 = x2[i];
      s0[i] += u0 * t0 + u1 * t1 + u2 * t2;
      s1[i] += u0 * t3 + u1 * t4 + u2 * t5;
      s2[i] += u0 * t6 + u1 * t7 + u2 * t8;
    }
  }
}

static void squared_distances(const double* const* x, const double* t, int n, const double* m, int p, double* out) {
  const double* m0 = m;
  const double* m1 = m + p;
  const double* m2 = m + 2 * p;
  for (int k = 0; k < n; ++k) {
    const double* x0 = x[k];
    const double* x1 = x0 + p;
    const double* x2 = x0 + 2 * p;
    const double* tk = t + 9 * k;
    Vec4 c0 = {0, 0, 0, 0}, c1 = c0, c2 = c0;
    int i = 0;
    for (; i + 4 <= p; i += 4) {
      const Vec4 u0 = load4(x0 + i), u1 = load4(x1 + i), u2 = load4(x2 + i);
      const Vec4 d0 = load4(m0 + i) - (u0 * tk[0] + u1 * tk[1] + u2 * tk[2]);
      const Vec4 d1 = load4(m1 + i) - (u0 * tk[3] + u1 * tk[4] + u2 * tk[5]);
      const Vec4 d2 = load4(m2 + i) - (u0 * tk[6] + u1 * tk[7] + u2 * tk[8]);
      c0 += d0 * d0;
      c1 += d1 * d1;
      c2 += d2 * d2;
    }
    double s0 = sum4(c0), s1 = sum4(c1), s2 = sum4(c2);
    for (; i < p; ++i) {
      const double u0 = x0[i], u1 = x1[i], u2 = x2[i];
      const double d0 = m0[i] - (u0 * tk[0] + u1 * tk[1] + u2 * tk[2]);
      const double d1 = m1[i] - (u0 * tk[3] + u1 * tk[4] + u2 * tk[5]);
      const double d2 = m2[i] - (u0 * tk[6] + u1 * tk[7] + u2 * tk[8]);
      s0 += d0 * d0;
      s1 += d1 * d1;
      s2 += d2 * d2;
    }
    out[k] = (s0 + s1) + s2;
  }
}

static inline Vec4 sqrt4(Vec4 v) {
#if defined(__AVX__)
  return __builtin_ia32_sqrtpd256(v);
#else
  Vec4 r;
  for (int l = 0; l < 4; ++l) r[l] = __builtin_sqrt(v[l]);
  return r;
#endif
}

static inline Vec4 abs4(Vec4 v) { return v < 0 ? -v : v; }

// Four polar factors at once (see polar3.h), one matrix per lane. Lanes that
// are near singular, not finite or not converging get fallback[l] = 1 and are
// left for the scalar routine. A lane stops changing once it has converged,
// so its result does not depend on its neighbours.
static void polar4(const double* a, double* r, unsigned char* fallback) {
  Vec4 x[9], c[9];
  for (int e = 0; e < 9; ++e)
    for (int l = 0; l < 4; ++l) x[e][l] = a[9 * l + e];
  auto cofactors = [&] {
    c[0] = x[4] * x[8] - x[5] * x[7];
    c[1] = x[5] * x[6] - x[3] * x[8];
    c[2] = x[3] * x[7] - x[4] * x[6];
    c[3] = x[7] * x[2] - x[8] * x[1];
    c[4] = x[8] * x[0] - x[6] * x[2];
    c[5] = x[6] * x[1] - x[7] * x[0];
    c[6] = x[1] * x[5] - x[2] * x[4];
    c[7] = x[2] * x[3] - x[0] * x[5];
    c[8] = x[0] * x[4] - x[1] * x[3];
  };
  Vec4 norm_a = {0, 0, 0, 0};
  for (int e = 0; e < 9; ++e) norm_a += x[e] * x[e];
  norm_a = sqrt4(norm_a);
  cofactors();
  Vec4 det = x[0] * c[0] + x[1] * c[1] + x[2] * c[2];
  using Mask = long long __attribute__((vector_size(32)));
  const Vec4 zero = {0, 0, 0, 0}, one = {1, 1, 1, 1};
  // Lanes to leave: near singular (also NaN, which fails every comparison).
  Mask bad = ~(abs4(det) > 1e-10 * norm_a * norm_a * norm_a);
  Mask done = bad;
  Mask scaled = ~done;
  for (int iteration = 0; iteration < 30; ++iteration) {
    if (iteration > 0) {
      cofactors();
      det = x[0] * c[0] + x[1] * c[1] + x[2] * c[2];
    }
    const Vec4 inv_det = one / det;
    Vec4 nc = zero, nx = zero;
    for (int e = 0; e < 9; ++e) {
      nc += c[e] * c[e];
      nx += x[e] * x[e];
    }
    // g = sqrt(||X^-T|| / ||X||), ||X^-T|| = ||cof(X)|| / |det X|.
    const Vec4 g = scaled ? sqrt4(sqrt4(nc * (inv_det * inv_det) / nx)) : one;
    const Vec4 half_g = 0.5 * g, half_c = 0.5 * inv_det / g;
    Vec4 change = zero;
    for (int e = 0; e < 9; ++e) {
      const Vec4 next = half_g * x[e] + half_c * c[e];
      const Vec4 d = next - x[e];
      change += d * d;
      x[e] = done ? x[e] : next;
    }
    change = sqrt4(change);
    scaled = scaled & (change >= 1e-2);
    done = done | (change <= 1e-8);
    bool all = true;
    for (int l = 0; l < 4; ++l) all = all && done[l];
    if (all) break;
  }
  for (int l = 0; l < 4; ++l) {
    fallback[l] = (bad[l] || !done[l]) ? 1 : 0;
    for (int e = 0; e < 9; ++e) r[9 * l + e] = x[e][l];
  }
}

static void weighted_sum(const double* const* x, const double* w, int n, int length, double* out) {
  // out = w_0 x_0 + w_1 x_1 + ..., added in specimen order.
  for (int k = 0; k < n; ++k) {
    const double* xk = x[k];
    const double wk = w[k];
    int i = 0;
    if (k == 0) {
      for (; i + 8 <= length; i += 8) {
        if (n > 1) __builtin_prefetch(x[1] + i);
        store4(out + i, wk * load4(xk + i));
        store4(out + i + 4, wk * load4(xk + i + 4));
      }
      for (; i + 4 <= length; i += 4) store4(out + i, wk * load4(xk + i));
      for (; i < length; ++i) out[i] = wk * xk[i];
      continue;
    }
    // The first pass over a group's data: fetch the next specimen meanwhile.
    const double* next = k + 1 < n ? x[k + 1] : xk;
    for (; i + 8 <= length; i += 8) {
      __builtin_prefetch(next + i);
      store4(out + i, load4(out + i) + wk * load4(xk + i));
      store4(out + i + 4, load4(out + i + 4) + wk * load4(xk + i + 4));
    }
    for (; i + 4 <= length; i += 4) store4(out + i, load4(out + i) + wk * load4(xk + i));
    for (; i < length; ++i) out[i] += wk * xk[i];
  }
}

// Sum of p values in four interleaved partial sums (then added pairwise).
static inline double sum_column(const double* x, int p) {
  Vec4 a = {0, 0, 0, 0};
  int i = 0;
  for (; i + 4 <= p; i += 4) a += load4(x + i);
  double s = sum4(a);
  for (; i < p; ++i) s += x[i];
  return s;
}

static void column_means(const double* x, int p, double* means) {
  for (int j = 0; j < 3; ++j) means[j] = sum_column(x + j * p, p) / p;
}

static double centroid_size(const double* x, int p) {
  double total = 0;
  for (int j = 0; j < 3; ++j) {
    const double* column = x + j * p;
    const double mean = sum_column(column, p) / p;
    const Vec4 m = {mean, mean, mean, mean};
    Vec4 a = {0, 0, 0, 0};
    int i = 0;
    for (; i + 4 <= p; i += 4) {
      const Vec4 d = load4(column + i) - m;
      a += d * d;
    }
    double squares = sum4(a);
    for (; i < p; ++i) {
      const double d = column[i] - mean;
      squares += d * d;
    }
    total += squares;
  }
  return __builtin_sqrt(total);
}

// Products of 3 by 3 blocks: row i of Q_r is the sum over c and j of
// K(r, c)(i, j) times row j of A_c, a broadcast block entry times a row of A_c
// read as four values (the fourth belongs to the next matrix; rows are
// written in order, each write's fourth value overwritten by the next). Only
// blocks (r, c) with c >= r are stored; K(r, c) for c < r is block (c, r) read
// transposed. Four rows of blocks go together, each in its own mode.
template <bool T>
static inline double entry(const double* b, int i, int j) {
  return T ? b[3 * j + i] : b[3 * i + j];
}

template <bool T>
static inline const double* block_at(const double* k, const long* row_start, int r, int c) {
  return T ? k + row_start[c] + 9L * r : k + row_start[r] + 9L * c;
}

template <bool T>
static inline void add_block(const double* b, Vec4 a0, Vec4 a1, Vec4 a2, Vec4& q0, Vec4& q1, Vec4& q2) {
  q0 += entry<T>(b, 0, 0) * a0;
  q0 += entry<T>(b, 0, 1) * a1;
  q0 += entry<T>(b, 0, 2) * a2;
  q1 += entry<T>(b, 1, 0) * a0;
  q1 += entry<T>(b, 1, 1) * a1;
  q1 += entry<T>(b, 1, 2) * a2;
  q2 += entry<T>(b, 2, 0) * a0;
  q2 += entry<T>(b, 2, 1) * a1;
  q2 += entry<T>(b, 2, 2) * a2;
}

// Columns c_begin..c_end-1 for the four rows r[0..3]; Tl: row l's blocks come
// from below the diagonal.
template <bool T0, bool T1, bool T2, bool T3>
static void quad_columns(const double* k, const long* row_start, const int* r, const int* cols, int c_begin, int c_end,
                         const double* a, Vec4* q) {
  Vec4 q00 = q[0], q01 = q[1], q02 = q[2], q10 = q[3], q11 = q[4], q12 = q[5], q20 = q[6], q21 = q[7], q22 = q[8],
       q30 = q[9], q31 = q[10], q32 = q[11];
  for (int c = c_begin; c < c_end; ++c) {
    const double* ac = a + 9 * c;
    const Vec4 a0 = load4(ac), a1 = load4(ac + 3), a2 = load4(ac + 6);
    add_block<T0>(block_at<T0>(k, row_start, r[0], cols[c]), a0, a1, a2, q00, q01, q02);
    add_block<T1>(block_at<T1>(k, row_start, r[1], cols[c]), a0, a1, a2, q10, q11, q12);
    add_block<T2>(block_at<T2>(k, row_start, r[2], cols[c]), a0, a1, a2, q20, q21, q22);
    add_block<T3>(block_at<T3>(k, row_start, r[3], cols[c]), a0, a1, a2, q30, q31, q32);
  }
  q[0] = q00, q[1] = q01, q[2] = q02, q[3] = q10, q[4] = q11, q[5] = q12;
  q[6] = q20, q[7] = q21, q[8] = q22, q[9] = q30, q[10] = q31, q[11] = q32;
}

template <bool T>
static void row_columns(const double* k, const long* row_start, int r, const int* cols, int c_begin, int c_end,
                        const double* a, Vec4* q) {
  Vec4 q0 = q[0], q1 = q[1], q2 = q[2];
  for (int c = c_begin; c < c_end; ++c) {
    const double* ac = a + 9 * c;
    add_block<T>(block_at<T>(k, row_start, r, cols[c]), load4(ac), load4(ac + 3), load4(ac + 6), q0, q1, q2);
  }
  q[0] = q0, q[1] = q1, q[2] = q2;
}

// The first position in cols[from..n) holding at least `value` (cols ascending).
static inline int first_at_least(const int* cols, int from, int n, int value) {
  while (from < n && cols[from] < value) ++from;
  return from;
}

static void block_products(const double* k, const long* row_start, const int* rows, int n_rows, const int* cols,
                           int n_cols, const double* a, double* q) {
  const Vec4 zero = {0, 0, 0, 0};
  int r = 0;
  int split[4] = {0, 0, 0, 0};  // per row of the quad: the first column on or above the diagonal
  for (; r + 4 <= n_rows; r += 4) {
    const int* quad = rows + r;
    for (int l = 0; l < 4; ++l) split[l] = first_at_least(cols, l == 0 ? split[0] : split[l - 1], n_cols, quad[l]);
    Vec4 acc[12];
    for (Vec4& v : acc) v = zero;
    // The rows ascend, so the columns fall into five runs: below all four
    // diagonals, then above one more row's diagonal each run.
    quad_columns<true, true, true, true>(k, row_start, quad, cols, 0, split[0], a, acc);
    quad_columns<false, true, true, true>(k, row_start, quad, cols, split[0], split[1], a, acc);
    quad_columns<false, false, true, true>(k, row_start, quad, cols, split[1], split[2], a, acc);
    quad_columns<false, false, false, true>(k, row_start, quad, cols, split[2], split[3], a, acc);
    quad_columns<false, false, false, false>(k, row_start, quad, cols, split[3], n_cols, a, acc);
    double* out = q + 9 * r;
    for (int i = 0; i < 12; ++i) store4(out + 3 * i, acc[i]);
  }
  for (; r < n_rows; ++r) {
    const int at = first_at_least(cols, 0, n_cols, rows[r]);
    Vec4 acc[3] = {zero, zero, zero};
    row_columns<true>(k, row_start, rows[r], cols, 0, at, a, acc);
    row_columns<false>(k, row_start, rows[r], cols, at, n_cols, a, acc);
    double* out = q + 9 * r;
    for (int i = 0; i < 3; ++i) store4(out + 3 * i, acc[i]);
  }
}

// Weighted sums of 3 by 3 blocks within one group (see block_products):
// each block (r, c), c >= r, is read once and serves both rows, Q_r += w_c
// K(r, c) and Q_c += w_r K(r, c)'. The second is gathered untransposed in
// q + 9c while row c waits, and transposed when row c comes; the first runs
// over four columns at a time into partial sums.
static void block_sums(const double* k, const long* row_start, const int* members, int n, const double* w,
                       double* q) {
  for (int i = 0; i < 9 * n; ++i) q[i] = 0;
  const Vec4 zero = {0, 0, 0, 0};
  for (int r = 0; r < n; ++r) {
    const double* row = k + row_start[members[r]];
    const double wr = w[r];
    Vec4 lo[4] = {zero, zero, zero, zero}, hi[4] = {zero, zero, zero, zero};
    double last[4] = {0, 0, 0, 0};
    const double* own = row + 9L * members[r];
    lo[0] = wr * load4(own);
    hi[0] = wr * load4(own + 4);
    last[0] = wr * own[8];
    int c = r + 1;
    for (; c + 4 <= n; c += 4) {
      for (int l = 0; l < 4; ++l) {
        const double* b = row + 9L * members[c + l];
        const Vec4 b0 = load4(b), b1 = load4(b + 4);
        lo[l] += w[c + l] * b0;
        hi[l] += w[c + l] * b1;
        last[l] += w[c + l] * b[8];
        double* t = q + 9 * (c + l);
        store4(t, load4(t) + wr * b0);
        store4(t + 4, load4(t + 4) + wr * b1);
        t[8] += wr * b[8];
      }
    }
    for (; c < n; ++c) {
      const double* b = row + 9L * members[c];
      const Vec4 b0 = load4(b), b1 = load4(b + 4);
      lo[0] += w[c] * b0;
      hi[0] += w[c] * b1;
      last[0] += w[c] * b[8];
      double* t = q + 9 * c;
      store4(t, load4(t) + wr * b0);
      store4(t + 4, load4(t + 4) + wr * b1);
      t[8] += wr * b[8];
    }
    const Vec4 lo_sum = (lo[0] + lo[1]) + (lo[2] + lo[3]), hi_sum = (hi[0] + hi[1]) + (hi[2] + hi[3]);
    const double above[9] = {lo_sum[0], lo_sum[1], lo_sum[2], lo_sum[3], hi_sum[0],
                             hi_sum[1], hi_sum[2], hi_sum[3], (last[0] + last[1]) + (last[2] + last[3])};
    double* out = q + 9 * r;
    double below[9];
    for (int i = 0; i < 9; ++i) below[i] = out[i];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) out[3 * i + j] = above[3 * i + j] + below[3 * j + i];
  }
}
