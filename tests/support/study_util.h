// Digitised studies for the loading tests: specimens as point lists and the
// text of their landmark files.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

namespace velmora::testing {

/// A point list as rows of points (P by 3).
using Points = std::vector<Eigen::Vector3d>;

inline std::string number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

/// One specimen in the TPS layout with a per-specimen count; `dims` 2 writes x y.
inline std::string tps_specimen(const Points& points, int dims = 3, const std::string& id = "") {
  std::string s = "LM=" + std::to_string(points.size()) + "\n";
  for (const auto& p : points) {
    s += number(p.x()) + " " + number(p.y());
    if (dims == 3) s += " " + number(p.z());
    s += "\n";
  }
  if (!id.empty()) s += "ID=" + id + "\n";
  return s;
}

/// The same points moved: scaled by s, turned by r (any orthogonal matrix) and shifted by t.
inline Points moved(const Points& points, double s, const Eigen::Matrix3d& r, const Eigen::Vector3d& t) {
  Points out;
  for (const auto& p : points) out.push_back(s * (r * p) + t);
  return out;
}

/// Curve markers keep their x (the code) exactly: only ordinary points move.
inline Points moved_keeping_markers(const Points& points, double code, double s, const Eigen::Matrix3d& r,
                                    const Eigen::Vector3d& t) {
  Points out;
  for (const auto& p : points) out.push_back(p.x() == code ? p : Eigen::Vector3d(s * (r * p) + t));
  return out;
}

inline Eigen::MatrixXd column(std::initializer_list<double> v) {
  Eigen::MatrixXd m(v.size(), 1);
  int i = 0;
  for (double x : v) m(i++, 0) = x;
  return m;
}

/// Centred and scaled to unit centroid size, computed here without the library.
inline Eigen::MatrixXd unit_centred(const Eigen::MatrixXd& x) {
  Eigen::MatrixXd y = x.rowwise() - x.colwise().mean();
  return y / std::sqrt(y.array().square().sum());
}

/// The matrix of distances between the points (rows) of x.
inline Eigen::MatrixXd distances(const Eigen::MatrixXd& x) {
  Eigen::MatrixXd d(x.rows(), x.rows());
  for (Eigen::Index i = 0; i < x.rows(); ++i)
    for (Eigen::Index j = 0; j < x.rows(); ++j) d(i, j) = (x.row(i) - x.row(j)).norm();
  return d;
}

}  // namespace velmora::testing
