// The fit kernels built for AVX2 with fused multiply-add (see CMakeLists.txt).
// Used only when the processor reports both.
#include "stats/fit_kernels.h"

namespace velmora::detail {
namespace avx2_build {
#include "stats/fit_kernels_impl.h"
}  // namespace avx2_build

const FitKernels& avx2_fit_kernels() {
  static const FitKernels kernels{avx2_build::cross,
                                  avx2_build::sum_fitted,
                                  avx2_build::squared_distances,
                                  avx2_build::weighted_sum,
                                  avx2_build::polar4,
                                  avx2_build::column_means,
                                  avx2_build::centroid_size,
                                  avx2_build::block_products,
                                  avx2_build::block_sums,
                                  "avx2-fma"};
  return kernels;
}

}  // namespace velmora::detail
