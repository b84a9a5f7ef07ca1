// The call-by-name table: the functions a user or a callback text may call by name.
#pragma once

#include <Eigen/Dense>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/sample.h"

namespace velmora {

class Console;

/// A value passed to or returned from a function called by name.
using Value = std::variant<Eigen::MatrixXd, Sample, std::string, std::vector<Eigen::MatrixXd>,
                           std::vector<std::string>>;

/// Declared counts: a negative count is variable (-1 any number, -2 one fixed
/// and then any, -4 three fixed and then any): it sets no upper bound.
struct FunctionEntry {
  std::string name;
  int inputs = 0;
  int outputs = 0;
  /// Called with the arguments and the number of results asked for.
  std::function<std::vector<Value>(const std::vector<Value>&, int)> call;
};

class FunctionTable {
 public:
  /// Adds (or replaces) a function.
  void add(FunctionEntry entry);
  const FunctionEntry* find(std::string_view name) const;
  std::vector<std::string> names() const;

  /// Calls `name` after the declared-count checks; throws RuntimeError with the
  /// declared-count message when more inputs or outputs are given than declared,
  /// and with "Undefined function 'NAME'." for a name not in the table.
  std::vector<Value> call(std::string_view name, const std::vector<Value>& args, int outputs) const;

 private:
  std::map<std::string, FunctionEntry, std::less<>> entries_;
};

/// Throws the declared-count RuntimeError when `inputs` or `outputs` exceed the
/// declared counts (negative declared counts never do).
void check_counts(std::string_view name, int inputs, int outputs, int declared_inputs, int declared_outputs);

/// Helpers for table entries.
const Eigen::MatrixXd& as_matrix(const Value& v, std::string_view function, int position);
double as_scalar(const Value& v, std::string_view function, int position);
const std::string& as_text(const Value& v, std::string_view function, int position);
Sample as_sample(const Value& v, std::string_view function, int position);

}  // namespace velmora
