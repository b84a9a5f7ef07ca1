// Model formulas as R writes them, and the design they give a study.
//
// The notation is Wilkinson and Rogers (1973), Applied Statistics 22:392-399,
// as S and R read it (Chambers and Hastie 1992, Statistical Models in S, ch. 2):
// `a + b` adds terms, `a:b` is the interaction of a and b, `a * b` stands for
// `a + b + a:b`. Terms are ordered by how many variables they join (main
// effects first), otherwise as written; factors enter with treatment contrasts
// (the first level in sorted order is the baseline), covariates as they are.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// One variable of the study, with a value for each of its n specimens.
struct Variable {
  std::string name;
  bool factor = false;
  std::vector<std::string> levels;  // n: each specimen's level (factors)
  Eigen::VectorXd values;           // n: each specimen's value (covariates)
};

/// A term of a model: the variables it joins, in the order written ("a:b").
struct ModelTerm {
  std::vector<std::string> variables;
  std::string label() const;
};

/// The terms of `formula` ("species * sex + logsize"; a leading "~" is
/// allowed; names in backquotes may hold any character but the backquote).
/// Throws RuntimeError quoting the formula for an empty one, a stray or
/// missing operator, or a character that cannot be part of a name.
std::vector<ModelTerm> parse_model_formula(std::string_view formula);

/// The variable names the terms use, each once, in order of appearance.
std::vector<std::string> formula_variables(const std::vector<ModelTerm>& terms);

/// The sorted distinct levels of a factor.
std::vector<std::string> factor_levels(const Variable& factor);

/// The model matrix of n specimens, reduced to an orthonormal basis term by
/// term: column 0 spans the intercept, then each term's block spans what its
/// columns add to the terms before it (sequential, type I).
struct ModelDesign {
  std::vector<std::string> terms;    // k term labels
  std::vector<Eigen::Index> starts;  // k + 1: the first basis column of each term (from 1), then the rank
  Eigen::MatrixXd basis;             // n by rank, orthonormal columns
  std::vector<std::string> notes;    // what the user should hear (levels of one specimen)
  Eigen::Index count() const { return basis.rows(); }
  Eigen::Index rank() const { return basis.cols(); }
  Eigen::Index df(std::size_t term) const { return starts[term + 1] - starts[term]; }
};

/// The design of `terms` over `variables` (each n long). Throws RuntimeError
/// naming the term or variable for a variable the list lacks, a factor with one
/// level, a covariate that does not vary, a term that adds nothing to the terms
/// before it, and a design that leaves no residual degree of freedom.
ModelDesign model_design(const std::vector<ModelTerm>& terms, const std::vector<Variable>& variables);

}  // namespace velmora
