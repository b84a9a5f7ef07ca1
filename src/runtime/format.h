// printf-style text formatting with the rules the report and result texts rely on.
#pragma once

#include <Eigen/Dense>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

using FormatArg = std::variant<double, std::string>;

/// Formats `format` with `args`:
/// - the two characters backslash and n become a line break (also \t, \\, and %%);
/// - the format is used again from its start while arguments remain; output
///   stops at the first conversion that has no argument left (with no arguments
///   at all, every conversion prints nothing and the literal text is kept);
/// - %d and %i print a whole value as an integer and any other value in %e form
///   with the same flags, width and precision;
/// - %s, %f, %g, %e (and %c, %x, %o, %u) follow C; NaN and infinities print as
///   NaN, Inf and -Inf in the field width.
std::string format(std::string_view format, const std::vector<FormatArg>& args);

/// Convenience form: numbers, texts and matrices (read column by column).
class FormatArgs {
 public:
  FormatArgs() = default;
  FormatArgs& operator<<(double v) {
    args_.emplace_back(v);
    return *this;
  }
  FormatArgs& operator<<(int v) { return *this << static_cast<double>(v); }
  FormatArgs& operator<<(long v) { return *this << static_cast<double>(v); }
  FormatArgs& operator<<(long long v) { return *this << static_cast<double>(v); }
  FormatArgs& operator<<(std::string v) {
    args_.emplace_back(std::move(v));
    return *this;
  }
  FormatArgs& operator<<(const char* v) { return *this << std::string(v); }
  FormatArgs& operator<<(const Eigen::MatrixXd& m) {
    for (Eigen::Index j = 0; j < m.cols(); ++j)
      for (Eigen::Index i = 0; i < m.rows(); ++i) args_.emplace_back(m(i, j));
    return *this;
  }
  const std::vector<FormatArg>& args() const { return args_; }

 private:
  std::vector<FormatArg> args_;
};

inline std::string format(std::string_view fmt, const FormatArgs& args) { return format(fmt, args.args()); }

template <typename... T>
std::string sprintf_m(std::string_view fmt, const T&... values) {
  FormatArgs a;
  if constexpr (sizeof...(T) > 0) (a << ... << values);
  return format(fmt, a);
}

/// Joins texts after dropping each one's trailing white space (space, tab, line
/// feed, carriage return, vertical tab, form feed).
std::string strcat_m(std::initializer_list<std::string_view> pieces);

/// The text with its trailing white space removed.
std::string trim_trailing(std::string_view text);

/// The text with the letters A to Z in lower case and every other byte as it
/// is, whatever the locale (names of properties, options, extensions, keys).
std::string lower_case(std::string_view text);

}  // namespace velmora
