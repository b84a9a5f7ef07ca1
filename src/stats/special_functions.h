// The regularized incomplete beta and gamma functions, never throwing: a value
// outside their domain (NaN, a negative argument, x outside [0, 1]) gives NaN,
// and every other result lies in [0, 1]. Parameters from a billion up are
// answered by the cube-root normal forms (Wilson-Hilferty, Paulson), which are
// the more accurate there.
#pragma once

namespace velmora::detail {

/// I_x(a, b), the regularized incomplete beta function.
double betainc(double x, double a, double b);

/// P(a, x), the regularized lower incomplete gamma function.
double gammainc(double x, double a);

}  // namespace velmora::detail
