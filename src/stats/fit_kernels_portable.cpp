// The fit kernels for any x86-64 (or other) processor.
#include "stats/fit_kernels.h"

namespace velmora::detail {
namespace portable_build {
#include "stats/fit_kernels_impl.h"
}  // namespace portable_build

const FitKernels& portable_fit_kernels() {
  static const FitKernels kernels{portable_build::cross,
                                  portable_build::sum_fitted,
                                  portable_build::squared_distances,
                                  portable_build::weighted_sum,
                                  portable_build::polar4,
                                  portable_build::column_means,
                                  portable_build::centroid_size,
                                  portable_build::block_products,
                                  portable_build::block_sums,
                                  "portable"};
  return kernels;
}

}  // namespace velmora::detail
