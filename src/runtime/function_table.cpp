#include "runtime/function_table.h"

#include "runtime/error.h"

namespace velmora {

void FunctionTable::add(FunctionEntry entry) {
  std::string name = entry.name;
  entries_[name] = std::move(entry);
}

const FunctionEntry* FunctionTable::find(std::string_view name) const {
  auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &it->second;
}

std::vector<std::string> FunctionTable::names() const {
  std::vector<std::string> out;
  for (const auto& [name, entry] : entries_) out.push_back(name);
  return out;
}

void check_counts(std::string_view name, int inputs, int outputs, int declared_inputs, int declared_outputs) {
  if (declared_inputs >= 0 && inputs > declared_inputs)
    throw RuntimeError(declared_count_message(name, "inputs", declared_inputs));
  if (declared_outputs >= 0 && outputs > declared_outputs)
    throw RuntimeError(declared_count_message(name, "outputs", declared_outputs));
}

std::vector<Value> FunctionTable::call(std::string_view name, const std::vector<Value>& args, int outputs) const {
  const FunctionEntry* entry = find(name);
  if (entry == nullptr) throw RuntimeError("Undefined function '" + std::string(name) + "'.");
  check_counts(name, static_cast<int>(args.size()), outputs, entry->inputs, entry->outputs);
  return entry->call(args, outputs);
}

namespace {
[[noreturn]] void wrong_kind(std::string_view function, int position, const char* wanted) {
  throw RuntimeError("The function \"" + std::string(function) + "\" needs " + wanted + " as argument " +
                     std::to_string(position) + ".");
}
}  // namespace

const Eigen::MatrixXd& as_matrix(const Value& v, std::string_view function, int position) {
  if (const auto* m = std::get_if<Eigen::MatrixXd>(&v)) return *m;
  wrong_kind(function, position, "a numeric array");
}

double as_scalar(const Value& v, std::string_view function, int position) {
  const Eigen::MatrixXd& m = as_matrix(v, function, position);
  if (m.size() != 1) wrong_kind(function, position, "a single number");
  return m(0, 0);
}

const std::string& as_text(const Value& v, std::string_view function, int position) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  wrong_kind(function, position, "a text");
}

Sample as_sample(const Value& v, std::string_view function, int position) {
  if (const auto* s = std::get_if<Sample>(&v)) return *s;
  if (const auto* m = std::get_if<Eigen::MatrixXd>(&v)) return Sample(*m);
  wrong_kind(function, position, "a sample");
}

}  // namespace velmora
