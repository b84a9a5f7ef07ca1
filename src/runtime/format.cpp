#include "runtime/format.h"

#include <cmath>
#include <cstdio>

namespace velmora {
namespace {

struct Conversion {
  std::string flags;
  std::string width;      // digits, may be empty
  std::string precision;  // with the leading '.', may be empty
  char type = 0;
};

struct Segment {
  bool is_conversion = false;
  std::string text;
  Conversion conversion;
};

// Splits the format into literal pieces (escapes already turned into characters)
// and conversions.
std::vector<Segment> parse(std::string_view fmt) {
  std::vector<Segment> segments;
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) {
      segments.push_back({false, literal, {}});
      literal.clear();
    }
  };
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c == '\\' && i + 1 < fmt.size()) {
      char n = fmt[i + 1];
      switch (n) {
        case 'n':
          literal += '\n';
          ++i;
          continue;
        case 't':
          literal += '\t';
          ++i;
          continue;
        case 'r':
          literal += '\r';
          ++i;
          continue;
        case '\\':
          literal += '\\';
          ++i;
          continue;
        default:
          literal += c;
          continue;
      }
    }
    if (c != '%') {
      literal += c;
      continue;
    }
    if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
      literal += '%';
      ++i;
      continue;
    }
    Conversion conv;
    size_t j = i + 1;
    while (j < fmt.size() && std::string_view("-+ 0#").find(fmt[j]) != std::string_view::npos) conv.flags += fmt[j++];
    while (j < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[j]))) conv.width += fmt[j++];
    if (j < fmt.size() && fmt[j] == '.') {
      conv.precision += fmt[j++];
      while (j < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[j]))) conv.precision += fmt[j++];
    }
    while (j < fmt.size() && (fmt[j] == 'l' || fmt[j] == 'h')) ++j;
    if (j >= fmt.size() || std::string_view("diufeEgGsScxXo").find(fmt[j]) == std::string_view::npos) {
      // Not a conversion: keep the text as it stands.
      literal += std::string(fmt.substr(i, j - i));
      i = j - 1;
      continue;
    }
    conv.type = fmt[j];
    flush();
    segments.push_back({true, {}, conv});
    i = j;
  }
  flush();
  return segments;
}

std::string c_format(const std::string& spec, double v) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, spec.c_str(), v);
  if (n < static_cast<int>(sizeof buf)) return std::string(buf, n > 0 ? n : 0);
  std::string out(n + 1, '\0');
  std::snprintf(out.data(), out.size(), spec.c_str(), v);
  out.resize(n);
  return out;
}

std::string pad(const Conversion& c, const std::string& text) {
  size_t width = c.width.empty() ? 0 : std::stoul(c.width);
  if (text.size() >= width) return text;
  if (c.flags.find('-') != std::string::npos) return text + std::string(width - text.size(), ' ');
  return std::string(width - text.size(), ' ') + text;
}

std::string format_number(const Conversion& c, double v) {
  char t = c.type;
  if (t == 's' || t == 'S') t = 'g';
  if (t == 'c') {
    if (v >= 0 && v < 1114112 && v == std::floor(v)) {
      std::string s(1, static_cast<char>(static_cast<int>(v)));
      return pad(c, s);
    }
    t = 'e';
  }
  if (std::isnan(v)) return pad(c, "NaN");
  if (std::isinf(v)) return pad(c, v > 0 ? "Inf" : "-Inf");
  const bool integral = (t == 'd' || t == 'i' || t == 'u' || t == 'x' || t == 'X' || t == 'o');
  if (integral) {
    if (v != std::floor(v)) {
      return c_format("%" + c.flags + c.width + c.precision + "e", v);
    }
    if (std::fabs(v) < 9.0e18) {
      char buf[128];
      std::string spec = "%" + c.flags + c.width + c.precision + "ll" + std::string(1, t == 'u' ? 'd' : t);
      std::snprintf(buf, sizeof buf, spec.c_str(), static_cast<long long>(v));
      return buf;
    }
    return c_format("%" + c.flags + c.width + ".0f", v);
  }
  return c_format("%" + c.flags + c.width + c.precision + std::string(1, t), v);
}

std::string format_text(const Conversion& c, const std::string& s) {
  if (c.type == 's' || c.type == 'S' || c.type == 'c') {
    std::string text = s;
    if (!c.precision.empty()) {
      size_t p = c.precision.size() > 1 ? std::stoul(c.precision.substr(1)) : 0;
      if (text.size() > p) text.resize(p);
    }
    return pad(c, text);
  }
  // A text given to a numeric conversion prints as text.
  return pad(c, s);
}

}  // namespace

std::string format(std::string_view fmt, const std::vector<FormatArg>& args) {
  const std::vector<Segment> segments = parse(fmt);
  bool has_conversion = false;
  for (const auto& s : segments) has_conversion = has_conversion || s.is_conversion;

  std::string out;
  if (!has_conversion || args.empty()) {
    for (const auto& s : segments)
      if (!s.is_conversion) out += s.text;
    return out;
  }
  size_t next = 0;
  while (true) {
    for (const auto& s : segments) {
      if (!s.is_conversion) {
        out += s.text;
        continue;
      }
      if (next >= args.size()) return out;
      const FormatArg& a = args[next++];
      if (const double* d = std::get_if<double>(&a))
        out += format_number(s.conversion, *d);
      else
        out += format_text(s.conversion, std::get<std::string>(a));
    }
    if (next >= args.size()) return out;
  }
}

std::string trim_trailing(std::string_view text) {
  size_t end = text.size();
  while (end > 0) {
    char c = text[end - 1];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f')
      --end;
    else
      break;
  }
  return std::string(text.substr(0, end));
}

std::string strcat_m(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (auto p : pieces) out += trim_trailing(p);
  return out;
}

std::string lower_case(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace velmora
