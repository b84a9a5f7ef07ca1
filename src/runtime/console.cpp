#include "runtime/console.h"

#include <cmath>
#include <cstdio>

namespace velmora {
namespace {

std::string matrix_rows(const Eigen::MatrixXd& m) {
  std::string out;
  for (Eigen::Index i = 0; i < m.rows(); ++i) {
    for (Eigen::Index j = 0; j < m.cols(); ++j) {
      std::string v = format_echo_number(m(i, j));
      out += std::string(v.size() < 12 ? 12 - v.size() : 1, ' ') + v;
    }
    out += '\n';
  }
  return out;
}

}  // namespace

std::string format_echo_number(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  char buf[64];
  if (v == std::floor(v) && std::fabs(v) < 1e15)
    std::snprintf(buf, sizeof buf, "%.0f", v);
  else
    std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string format_echo(std::string_view name, const EchoValue& value) {
  std::string n(name);
  if (const double* d = std::get_if<double>(&value)) return n + " = " + format_echo_number(*d) + "\n";
  if (const std::string* s = std::get_if<std::string>(&value)) {
    if (s->find('\n') == std::string::npos) return n + " = " + *s + "\n";
    return n + " =\n" + *s + "\n";
  }
  if (const Eigen::MatrixXd* m = std::get_if<Eigen::MatrixXd>(&value)) {
    if (m->size() == 0) return n + " = []\n";
    if (m->size() == 1) return n + " = " + format_echo_number((*m)(0, 0)) + "\n";
    return n + " =\n" + matrix_rows(*m);
  }
  const Sample& s = std::get<Sample>(value);
  if (s.empty()) return n + " = []\n";
  std::string out;
  for (Eigen::Index i = 0; i < s.count(); ++i) {
    out += n + "(:,:," + std::to_string(i + 1) + ") =\n";
    out += matrix_rows(s.specimen(i));
  }
  return out;
}

void StreamConsole::write(std::string_view text) {
  std::lock_guard lock(mutex_);
  out_ << text;
  out_.flush();
}

}  // namespace velmora
