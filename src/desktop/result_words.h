// A test's result in the words of a paper: "F(128, 5888) = 10.44, p < 1e-15;
// n = 25 + 23", one p value a test with its kind ("permutation p = 0.0495
// (1,000 sets)"), no internal names. The saved numbers keep every value.
#pragma once

#include <QString>
#include <string>

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

/// A p value in the log's words: "p = 0.0123", or "p < 1e-15" below what can be told from 0.
QString p_words(double p);

/// The text of a result box as the desktop shows it: a p value too small to
/// tell from 0 ("p value=0") reads as the log has it ("p < 1e-15").
std::string result_box_words(const std::string& title, const std::string& text);

}  // namespace velmora
