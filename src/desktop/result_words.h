// A test's result in the words of a paper: "F(128, 5888) = 10.44, p < 1e-15;
// n = 25 + 23", one p value a test with its kind ("permutation p = 0.0495
// (1,000 sets)"), no internal names. The saved numbers keep every value.
#pragma once

#include <QString>

#include "runtime/ui_port.h"

namespace velmora {

/// The sizes of the samples a result was computed on (0: not loaded).
struct SampleCounts {
  long long first = 0, second = 0;
};

/// The result's numbers as a sentence; `n` adds the samples' sizes.
QString result_words(const TestResult& result, const SampleCounts& n = {});

/// A Goodall p computed as 0 is below what 1 - F(f) can tell from 0.
inline constexpr double kSmallestGoodallP = 1e-15;

}  // namespace velmora
