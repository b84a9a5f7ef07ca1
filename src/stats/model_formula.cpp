#include "stats/model_formula.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "runtime/error.h"

namespace velmora {
namespace {

std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// formula := product ('+' product)*; product := group ('*' group)*;
// group := name (':' name)*.
class FormulaReader {
 public:
  explicit FormulaReader(std::string_view text) : text_(text) {}

  std::vector<ModelTerm> read() {
    skip();
    if (at_end()) fail("is empty; write the terms, for example \"species * sex\"");
    if (text_[at_] == '~') {
      ++at_;
      skip();
    }
    std::vector<std::vector<std::string>> terms;
    for (;;) {
      for (auto& t : product()) terms.push_back(std::move(t));
      skip();
      if (at_end()) break;
      if (text_[at_] != '+') fail("has " + in_quotes(text_.substr(at_, 1)) + " where + * or : was expected");
      ++at_;
    }
    // Each term once (a:b is b:a), its variables in the order the formula
    // first names them, then main effects, two-way terms, ...
    for (auto& t : terms)
      std::stable_sort(t.begin(), t.end(), [&](const std::string& a, const std::string& b) {
        return std::find(names_.begin(), names_.end(), a) < std::find(names_.begin(), names_.end(), b);
      });
    std::vector<ModelTerm> out;
    std::set<std::set<std::string>> seen;
    for (auto& t : terms)
      if (seen.insert(std::set<std::string>(t.begin(), t.end())).second) out.push_back({std::move(t)});
    std::stable_sort(out.begin(), out.end(),
                     [](const ModelTerm& a, const ModelTerm& b) { return a.variables.size() < b.variables.size(); });
    return out;
  }

 private:
  bool at_end() const { return at_ >= text_.size(); }
  void skip() {
    while (!at_end() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw RuntimeError("The model " + in_quotes(text_) + " " + what + ".");
  }

  std::string name() {
    skip();
    if (at_end()) fail("ends where a name was expected");
    if (text_[at_] == '`') {
      const std::size_t end = text_.find('`', at_ + 1);
      if (end == std::string_view::npos || end == at_ + 1) fail("has a backquoted name that is empty or not closed");
      std::string out(text_.substr(at_ + 1, end - at_ - 1));
      at_ = end + 1;
      return named(out);
    }
    const std::size_t begin = at_;
    while (!at_end() && name_char(text_[at_])) ++at_;
    if (at_ == begin)
      fail("has " + in_quotes(text_.substr(at_, 1)) +
           " where a name was expected (names with other characters go in `backquotes`)");
    return named(std::string(text_.substr(begin, at_ - begin)));
  }

  std::string named(std::string name) {
    if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
    return name;
  }

  std::vector<std::string> group() {
    std::vector<std::string> g{name()};
    for (skip(); !at_end() && text_[at_] == ':'; skip()) {
      ++at_;
      std::string n = name();
      if (std::find(g.begin(), g.end(), n) == g.end()) g.push_back(std::move(n));
    }
    return g;
  }

  // a * b * c: every non-empty combination of the groups, in R's order.
  std::vector<std::vector<std::string>> product() {
    std::vector<std::vector<std::string>> groups{group()};
    for (skip(); !at_end() && text_[at_] == '*'; skip()) {
      ++at_;
      groups.push_back(group());
    }
    std::vector<std::vector<std::string>> out;
    for (std::size_t mask = 1; mask < (std::size_t{1} << groups.size()); ++mask) {
      std::vector<std::string> t;
      for (std::size_t g = 0; g < groups.size(); ++g)
        if (mask & (std::size_t{1} << g))
          for (const auto& v : groups[g])
            if (std::find(t.begin(), t.end(), v) == t.end()) t.push_back(v);
      out.push_back(std::move(t));
    }
    return out;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::vector<std::string> names_;  // in the order of their first appearance
};

// The columns of one variable: an indicator per level for a factor (the span is
// what matters: treatment contrasts span the same space with the intercept),
// the values for a covariate.
Eigen::MatrixXd variable_columns(const Variable& v) {
  if (!v.factor) return v.values;
  const std::vector<std::string> levels = factor_levels(v);
  Eigen::MatrixXd out = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(v.levels.size()), levels.size());
  for (std::size_t i = 0; i < v.levels.size(); ++i)
    out(i, std::lower_bound(levels.begin(), levels.end(), v.levels[i]) - levels.begin()) = 1;
  return out;
}

// Every product of one column of `a` and one of `b`.
Eigen::MatrixXd column_products(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b) {
  Eigen::MatrixXd out(a.rows(), a.cols() * b.cols());
  for (Eigen::Index i = 0; i < a.cols(); ++i)
    for (Eigen::Index j = 0; j < b.cols(); ++j) out.col(i * b.cols() + j) = a.col(i).cwiseProduct(b.col(j));
  return out;
}

}  // namespace

std::string ModelTerm::label() const {
  std::string out;
  for (const auto& v : variables) out += (out.empty() ? "" : ":") + v;
  return out;
}

std::vector<ModelTerm> parse_model_formula(std::string_view formula) { return FormulaReader(formula).read(); }

std::vector<std::string> formula_variables(const std::vector<ModelTerm>& terms) {
  std::vector<std::string> out;
  for (const auto& t : terms)
    for (const auto& v : t.variables)
      if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
  return out;
}

std::vector<std::string> factor_levels(const Variable& factor) {
  std::vector<std::string> levels(factor.levels);
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
  return levels;
}

ModelDesign model_design(const std::vector<ModelTerm>& terms, const std::vector<Variable>& variables) {
  std::map<std::string, const Variable*> by_name;
  for (const auto& v : variables) by_name[v.name] = &v;
  Eigen::Index n = -1;
  for (const auto& v : variables) n = std::max<Eigen::Index>(n, v.factor ? v.levels.size() : v.values.size());
  ModelDesign d;
  for (const std::string& name : formula_variables(terms)) {
    const auto it = by_name.find(name);
    if (it == by_name.end())
      throw RuntimeError("The model names " + in_quotes(name) + ", which is not a variable of the study.");
    const Variable& v = *it->second;
    if (v.factor) {
      std::map<std::string, int> counts;
      for (const auto& level : v.levels) ++counts[level];
      if (counts.size() < 2)
        throw RuntimeError("The factor " + in_quotes(name) + " has one level (" + in_quotes(counts.begin()->first) +
                           ") among the specimens analysed; a factor needs two or more.");
      for (const auto& [level, count] : counts)
        if (count == 1)
          d.notes.push_back("The level " + in_quotes(level) + " of " + in_quotes(name) + " has one specimen.");
    } else if (v.values.size() > 0 && (v.values.array() == v.values(0)).all()) {
      throw RuntimeError("The covariate " + in_quotes(name) + " is " + std::to_string(v.values(0)) +
                         " for every specimen analysed; it explains nothing.");
    }
  }
  if (n < 1) throw RuntimeError("The model has no specimens to fit.");

  Eigen::MatrixXd basis(n, 1);
  basis.setConstant(1 / std::sqrt(static_cast<double>(n)));
  d.starts.push_back(1);
  for (const auto& term : terms) {
    Eigen::MatrixXd x = Eigen::MatrixXd::Ones(n, 1);
    for (const auto& name : term.variables) x = column_products(x, variable_columns(*by_name.at(name)));
    const double scale = x.colwise().norm().maxCoeff();
    // What the term adds to the basis so far: its columns less their projection
    // (twice, so that rounding leaves them orthogonal), then the directions of
    // that remainder which are more than rounding.
    for (int pass = 0; pass < 2; ++pass) x -= basis * (basis.transpose() * x);
    Eigen::BDCSVD<Eigen::MatrixXd> svd(x, Eigen::ComputeThinU);
    Eigen::Index added = 0;
    while (added < svd.singularValues().size() && svd.singularValues()(added) > 1e-9 * scale) ++added;
    if (added == 0)
      throw RuntimeError("The term " + in_quotes(term.label()) +
                         " adds nothing to the terms before it in the model (its columns are combinations of theirs).");
    if (basis.cols() + added >= n)
      throw RuntimeError("The model leaves no residual degree of freedom at the term " + in_quotes(term.label()) +
                         ": " + std::to_string(n) + " specimens, " + std::to_string(basis.cols() + added) +
                         " parameters; use fewer terms or more specimens.");
    basis.conservativeResize(n, basis.cols() + added);
    basis.rightCols(added) = svd.matrixU().leftCols(added);
    d.terms.push_back(term.label());
    d.starts.push_back(basis.cols());
  }
  d.basis = std::move(basis);
  return d;
}

}  // namespace velmora
