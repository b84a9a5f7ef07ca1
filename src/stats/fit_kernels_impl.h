// Body of the fit kernels, compiled once per instruction set (see
// fit_kernels_portable.cpp and fit_kernels_avx2.cpp). Include only there, inside
// a namespace of its own: it uses no shared inline code, so the two builds
// cannot be mixed up by the linker.

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
  int i = 0;
  // Eight points at a time: every specimen's contribution is added in
  // specimen order, one block of rows kept in registers.
  for (; i + 8 <= p; i += 8) {
    Vec4 c0a = {0, 0, 0, 0}, c1a = c0a, c2a = c0a, c0b = c0a, c1b = c0a, c2b = c0a;
    for (int k = 0; k < n; ++k) {
      const double* xk = x[k] + i;
      const double* tk = t + 9 * k;
      const Vec4 u0a = load4(xk), u0b = load4(xk + 4);
      const Vec4 u1a = load4(xk + p), u1b = load4(xk + p + 4);
      const Vec4 u2a = load4(xk + 2 * p), u2b = load4(xk + 2 * p + 4);
      c0a += u0a * tk[0] + u1a * tk[1] + u2a * tk[2];
      c0b += u0b * tk[0] + u1b * tk[1] + u2b * tk[2];
      c1a += u0a * tk[3] + u1a * tk[4] + u2a * tk[5];
      c1b += u0b * tk[3] + u1b * tk[4] + u2b * tk[5];
      c2a += u0a * tk[6] + u1a * tk[7] + u2a * tk[8];
      c2b += u0b * tk[6] + u1b * tk[7] + u2b * tk[8];
    }
    store4(s0 + i, c0a);
    store4(s0 + i + 4, c0b);
    store4(s1 + i, c1a);
    store4(s1 + i + 4, c1b);
    store4(s2 + i, c2a);
    store4(s2 + i + 4, c2b);
  }
  for (; i < p; ++i) {
    double c0 = 0, c1 = 0, c2 = 0;
    for (int k = 0; k < n; ++k) {
      const double* xk = x[k] + i;
      const double* tk = t + 9 * k;
      const double u0 = xk[0], u1 = xk[p], u2 = xk[2 * p];
      c0 += u0 * tk[0] + u1 * tk[1] + u2 * tk[2];
      c1 += u0 * tk[3] + u1 * tk[4] + u2 * tk[5];
      c2 += u0 * tk[6] + u1 * tk[7] + u2 * tk[8];
    }
    s0[i] = c0;
    s1[i] = c1;
    s2[i] = c2;
  }
}

static void squared_distances(const double* const* x, const double* t, int n, const double* m, int p,
                              double* out) {
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
