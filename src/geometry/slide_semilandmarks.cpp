#include "geometry/slide_semilandmarks.h"

#include <cmath>

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
  for (Eigen::Index a = 0; a < m; ++a) s.among.row(a) = s.columns.row(layout.sliding[a].point);
  return s;
}

SlideWorkspace::SlideWorkspace(Eigen::Index p, Eigen::Index m)
    : deviation(p, 3), tangents(m, 3), system(m, m), rhs(m), shift(m), ldlt(m) {}

void slide_in_place(Eigen::Ref<Eigen::MatrixXd> specimen, const Eigen::MatrixXd& consensus, const SlideSystem& system,
                    const SemilandmarkLayout& layout, SlideWorkspace& work, std::vector<std::size_t>& unslid) {
  const auto m = static_cast<Eigen::Index>(layout.sliding.size());
  // Unit tangents from the unslid specimen; a zero row where there is none.
  std::size_t none = 0;
  for (Eigen::Index a = 0; a < m; ++a) {
    const SlidingPoint& s = layout.sliding[a];
    auto t = work.tangents.row(a);
    t = specimen.row(s.after) - specimen.row(s.before);
    const double length = t.norm();
    if (length > 0 && std::isfinite(length)) {
      t /= length;
    } else {
      t.setZero();
      unslid.push_back(static_cast<std::size_t>(a));
      ++none;
    }
  }
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
    // U' L U (lower triangle) and U' L (Y - M); Lp's rows and columns of a
    // closing repeat are zero, so the repeat adds nothing to either. Lp is
    // symmetric: its column at a semilandmark is its row there.
    const auto tx = work.tangents.col(0), ty = work.tangents.col(1), tz = work.tangents.col(2);
    for (Eigen::Index b = 0; b < m; ++b) {
      const Eigen::Index n = m - b;
      work.system.col(b).tail(n) =
          system.among.col(b).tail(n).cwiseProduct(tx.tail(n) * tx(b) + ty.tail(n) * ty(b) + tz.tail(n) * tz(b));
      const auto lp = system.columns.col(b);
      work.rhs(b) = tx(b) * lp.dot(work.deviation.col(0)) + ty(b) * lp.dot(work.deviation.col(1)) +
                    tz(b) * lp.dot(work.deviation.col(2));
    }
    if (none > 0) {
      // A semilandmark without a tangent: its unknown is pinned to zero.
      for (std::size_t k = unslid.size() - none; k < unslid.size(); ++k) {
        const auto a = static_cast<Eigen::Index>(unslid[k]);
        work.system.row(a).head(a).setZero();
        work.system.col(a).tail(m - a).setZero();
        work.system(a, a) = 1;
        work.rhs(a) = 0;
      }
    }
    // Many semilandmarks: the blocked Cholesky factorisation of the definite
    // system (the energy form is positive in the plane, negative in space) by
    // the optimised LAPACK, many times faster than LDLT, which is kept for
    // fewer (as before, to the last bit) and for a system that is not definite.
    bool solved = false;
    if (m >= kBlockedFrom) {
      const double sign = work.system.diagonal().sum() < 0 ? -1.0 : 1.0;
      work.factor.resize(m, m);
      for (Eigen::Index b = 0; b < m; ++b) work.factor.col(b).tail(m - b) = sign * work.system.col(b).tail(m - b);
      for (std::size_t k = unslid.size() - none; k < unslid.size(); ++k) {
        const auto a = static_cast<Eigen::Index>(unslid[k]);
        work.factor(a, a) = 1;
      }
      work.shift = sign * work.rhs;
      solved = cholesky_solve_in_place(work.factor, work.shift);
    }
    if (!solved) {
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
