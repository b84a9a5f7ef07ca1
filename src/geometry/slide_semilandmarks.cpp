#include "geometry/slide_semilandmarks.h"

#include <cmath>
#include <span>

#include "runtime/linear_algebra.h"

namespace velmora {
namespace detail {

SlideSystem slide_system(SlideCriterion criterion, const Eigen::MatrixXd& energy, const SemilandmarkLayout& layout) {
  SlideSystem s;
  s.criterion = criterion;
  if (criterion != SlideCriterion::bending) return s;
  const auto m = static_cast<Eigen::Index>(layout.sliding.size());
  s.columns.resize(energy.rows(), m);
  for (Eigen::Index a = 0; a < m; ++a) s.columns.col(a) = energy.col(layout.sliding[a].point);
  s.among.resize(m, m);
  for (Eigen::Index b = 0; b < m; ++b) {
    const auto from = s.columns.col(b);
    auto to = s.among.col(b);
    for (Eigen::Index a = 0; a < m; ++a) to(a) = from(layout.sliding[a].point);
  }
  return s;
}

SlideWorkspace::SlideWorkspace(Eigen::Index p, Eigen::Index m)
    : deviation(p, 3), tangents(m, 3), system(m, m), rhs(m), shift(m), ldlt(m) {}

std::size_t unit_tangents(const Eigen::Ref<const Eigen::MatrixXd>& x, const SemilandmarkLayout& layout,
                          Eigen::MatrixXd& tangents, std::vector<std::size_t>& unslid) {
  const auto m = static_cast<Eigen::Index>(layout.sliding.size());
  tangents.resize(m, 3);
  std::size_t none = 0;
  for (Eigen::Index a = 0; a < m; ++a) {
    const SlidingPoint& s = layout.sliding[a];
    auto t = tangents.row(a);
    t = x.row(s.after) - x.row(s.before);
    const double length = t.norm();
    if (length > 0 && std::isfinite(length)) {
      t /= length;
    } else {
      t.setZero();
      unslid.push_back(static_cast<std::size_t>(a));
      ++none;
    }
  }
  return none;
}

double bending_sign(const SlideSystem& system, const Eigen::MatrixXd& tangents) {
  double trace = 0;
  for (Eigen::Index a = 0; a < tangents.rows(); ++a)
    trace += tangents.row(a).squaredNorm() > 0 ? system.among(a, a) : 1.0;
  return trace < 0 ? -1.0 : 1.0;
}

void bending_system(const SlideSystem& system, const Eigen::MatrixXd& tangents, std::span<const std::size_t> pinned,
                    double sign, Eigen::MatrixXd& into) {
  // Lp's rows and columns of a closing repeat are zero, so the repeat adds
  // nothing. Only the lower triangle is made.
  const Eigen::Index m = tangents.rows();
  into.resize(m, m);
  const auto tx = tangents.col(0), ty = tangents.col(1), tz = tangents.col(2);
  const bool planar = tz.isZero(0);
  for (Eigen::Index b = 0; b < m; ++b) {
    const Eigen::Index n = m - b;
    if (planar)
      into.col(b).tail(n) = sign * system.among.col(b).tail(n).cwiseProduct(tx.tail(n) * tx(b) + ty.tail(n) * ty(b));
    else
      into.col(b).tail(n) =
          sign * system.among.col(b).tail(n).cwiseProduct(tx.tail(n) * tx(b) + ty.tail(n) * ty(b) + tz.tail(n) * tz(b));
  }
  // A semilandmark without a tangent: its unknown is pinned to zero.
  for (const std::size_t k : pinned) {
    const auto a = static_cast<Eigen::Index>(k);
    into.row(a).head(a).setZero();
    into.col(a).tail(m - a).setZero();
    into(a, a) = 1;
  }
}

void bending_rhs(const SlideSystem& system, const Eigen::MatrixXd& tangents, const Eigen::MatrixXd& deviation,
                 std::span<const std::size_t> pinned, Eigen::Ref<Eigen::VectorXd> rhs) {
  // Lp is symmetric: its column at a semilandmark is its row there.
  const auto tx = tangents.col(0), ty = tangents.col(1), tz = tangents.col(2);
  for (Eigen::Index b = 0; b < tangents.rows(); ++b) {
    const auto lp = system.columns.col(b);
    rhs(b) = tx(b) * lp.dot(deviation.col(0)) + ty(b) * lp.dot(deviation.col(1)) + tz(b) * lp.dot(deviation.col(2));
  }
  for (const std::size_t k : pinned) rhs(static_cast<Eigen::Index>(k)) = 0;
}

void slide_in_place(Eigen::Ref<Eigen::MatrixXd> specimen, const Eigen::MatrixXd& consensus, const SlideSystem& system,
                    const SemilandmarkLayout& layout, SlideWorkspace& work, std::vector<std::size_t>& unslid) {
  const auto m = static_cast<Eigen::Index>(layout.sliding.size());
  // Unit tangents from the unslid specimen; a zero row where there is none.
  const std::size_t none = unit_tangents(specimen, layout, work.tangents, unslid);
  const std::span<const std::size_t> pinned(unslid.data() + (unslid.size() - none), none);
  work.deviation.noalias() = specimen - consensus;

  if (system.criterion == SlideCriterion::procrustes) {
    // L = I: U'U is diagonal (1 a point, 2 with a closing repeat), so each
    // semilandmark moves by its own deviation along its tangent.
    for (Eigen::Index a = 0; a < m; ++a) {
      const SlidingPoint& s = layout.sliding[a];
      const auto t = work.tangents.row(a);
      double along = t.dot(work.deviation.row(s.point));
      if (s.twin >= 0) along = (along + t.dot(work.deviation.row(s.twin))) / 2;
      work.shift(a) = along;
    }
  } else {
    // U' L U and U' L (Y - M). Many semilandmarks: the blocked Cholesky
    // factorisation of the definite system (the energy form is positive in
    // the plane, negative in space) by the optimised LAPACK, many times faster
    // than LDLT, which is kept for fewer (as before, to the last bit) and for
    // a system that is not definite.
    bending_rhs(system, work.tangents, work.deviation, pinned, work.rhs);
    bool solved = false;
    if (m >= kBlockedFrom) {
      const double sign = bending_sign(system, work.tangents);
      bending_system(system, work.tangents, pinned, sign, work.factor);
      work.shift = sign * work.rhs;
      solved = cholesky_solve_in_place(work.factor, work.shift);
    }
    if (!solved) {
      bending_system(system, work.tangents, pinned, 1.0, work.system);
      work.ldlt.compute(work.system);
      work.shift.noalias() = work.ldlt.solve(work.rhs);
    }
  }

  for (Eigen::Index a = 0; a < m; ++a) {
    const SlidingPoint& s = layout.sliding[a];
    const auto step = work.shift(a) * work.tangents.row(a);
    specimen.row(s.point) -= step;
    if (s.twin >= 0) specimen.row(s.twin) -= step;
  }
}

}  // namespace detail

SlidSpecimen slide_semilandmarks(const Eigen::MatrixXd& specimen, const Eigen::MatrixXd& consensus,
                                 SlideCriterion criterion, const Eigen::MatrixXd& energy,
                                 const SemilandmarkLayout& layout) {
  const detail::SlideSystem system = detail::slide_system(criterion, energy, layout);
  detail::SlideWorkspace work(specimen.rows(), static_cast<Eigen::Index>(layout.sliding.size()));
  SlidSpecimen out;
  out.y = specimen;
  detail::slide_in_place(out.y, consensus, system, layout, work, out.unslid);
  return out;
}

}  // namespace velmora
