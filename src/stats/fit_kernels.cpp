#include "stats/fit_kernels.h"

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

}  // namespace velmora::detail
