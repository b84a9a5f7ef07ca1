#include "app/call_by_name.h"

#include <charconv>
#include <sstream>

#include "app/dispatcher.h"
#include "app/build_function_table.h"
#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

bool parse_number(std::string_view s, double& v) {
  if (s == "NaN" || s == "nan") {
    v = std::nan("");
    return true;
  }
  if (s == "Inf" || s == "inf") {
    v = HUGE_VAL;
    return true;
  }
  if (s == "-Inf" || s == "-inf") {
    v = -HUGE_VAL;
    return true;
  }
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && p == s.data() + s.size();
}

}  // namespace

Value parse_argument(const std::string& text) {
  double v = 0;
  if (parse_number(text, v)) return Eigen::MatrixXd::Constant(1, 1, v);
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    std::vector<std::vector<double>> rows(1);
    std::string body = text.substr(1, text.size() - 2);
    std::string token;
    auto flush = [&]() -> bool {
      if (token.empty()) return true;
      double x = 0;
      if (!parse_number(token, x)) return false;
      rows.back().push_back(x);
      token.clear();
      return true;
    };
    bool ok = true;
    for (char c : body) {
      if (c == ';') {
        ok = ok && flush();
        rows.emplace_back();
      } else if (c == ' ' || c == ',' || c == '\t') {
        ok = ok && flush();
      } else {
        token += c;
      }
    }
    ok = ok && flush();
    if (ok) {
      if (rows.size() == 1 && rows[0].empty()) return Eigen::MatrixXd(0, 0);
      const size_t cols = rows[0].size();
      bool same = true;
      for (const auto& r : rows) same = same && r.size() == cols;
      if (same) {
        Eigen::MatrixXd m(rows.size(), cols);
        for (size_t i = 0; i < rows.size(); ++i)
          for (size_t j = 0; j < cols; ++j) m(i, j) = rows[i][j];
        return m;
      }
    }
  }
  return text;
}

int call_by_name(const std::string& name, const std::vector<std::string>& args, int outputs, std::ostream& out,
                 std::ostream& err) {
  HeadlessPort port(&err, false);
  Dispatcher dispatcher(port);
  const FunctionTable table = build_function_table(dispatcher);
  return call_by_name(table, name, args, outputs, out, err);
}

int call_by_name(const FunctionTable& table, const std::string& name, const std::vector<std::string>& args, int outputs,
                 std::ostream& out, std::ostream& err) {
  try {
    std::vector<Value> values;
    for (const auto& a : args) values.push_back(parse_argument(a));
    const FunctionEntry* entry = table.find(name);
    int asked = outputs;
    if (entry != nullptr && asked < 0) asked = entry->outputs < 0 ? 1 : entry->outputs;
    std::vector<Value> results = table.call(name, values, asked < 0 ? 0 : asked);
    StreamConsole console(out);
    for (size_t i = 0; i < results.size(); ++i) {
      const std::string n = results.size() == 1 ? "ans" : "ans" + std::to_string(i + 1);
      std::visit(
          [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Eigen::MatrixXd> || std::is_same_v<T, Sample> ||
                          std::is_same_v<T, std::string>) {
              console.echo(n, v);
            } else {
              for (size_t k = 0; k < v.size(); ++k) console.echo(n + "{" + std::to_string(k + 1) + "}", v[k]);
            }
          },
          results[i]);
    }
    if (!out.flush()) {
      err << name << ": the results could not be written to standard output.\n";
      return 1;
    }
    return 0;
  } catch (const RuntimeError& e) {
    err << e.what() << "\n";
  } catch (const PortAbort& e) {
    err << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    err << name << ": not enough memory to finish.\n";
  } catch (const std::exception& e) {
    err << name << " failed: " << e.what() << "\n";
  }
  return 1;
}

}  // namespace velmora
