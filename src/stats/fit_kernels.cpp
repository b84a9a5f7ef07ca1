#include "stats/fit_kernels.h"

#include "stats/polar3.h"

namespace velmora::detail {

#if defined(VELMORA_AVX2_KERNELS)
const FitKernels& avx2_fit_kernels();
#endif

const FitKernels& fit_kernels() {
  static const FitKernels& chosen = [&]() -> const FitKernels& {
#if defined(VELMORA_AVX2_KERNELS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return avx2_fit_kernels();
#endif
    return portable_fit_kernels();
  }();
  return chosen;
}

void polar_factors(const double* b, int n, double* r) {
  const auto& kernels = fit_kernels();
  unsigned char fallback[4];
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    kernels.polar4(b + 9 * k, r + 9 * k, fallback);
    for (int l = 0; l < 4; ++l)
      if (fallback[l]) polar3(b + 9 * (k + l), r + 9 * (k + l));
  }
  if (k < n) {
    // The last few padded with identities, which converge at once.
    double pad_b[36], pad_r[36];
    for (int i = 0; i < 36; ++i) pad_b[i] = (i % 9) % 4 == 0 ? 1 : 0;
    for (int i = 0; i < 9 * (n - k); ++i) pad_b[i] = b[9 * k + i];
    kernels.polar4(pad_b, pad_r, fallback);
    for (int l = 0; l < n - k; ++l) {
      if (fallback[l])
        polar3(b + 9 * (k + l), r + 9 * (k + l));
      else
        for (int i = 0; i < 9; ++i) r[9 * (k + l) + i] = pad_r[9 * l + i];
    }
  }
}

}  // namespace velmora::detail
