// The check every landmark format fuzz target makes: any input either fails
// with a RuntimeError or gives specimens of 3-column points, no more points than
// the input has bytes, and points that a TPS file written from them gives back.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "io/formats/landmark_file.h"
#include "io/formats/tps_format.h"
#include "runtime/error.h"

namespace velmora::fuzz {

inline bool same_points(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b) {
  if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
  for (Eigen::Index i = 0; i < a.size(); ++i) {
    const double x = a.data()[i], y = b.data()[i];
    if (!(x == y || (std::isnan(x) && std::isnan(y)))) return false;
  }
  return true;
}

inline void check_landmark_format(LandmarkFormat format, const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  LandmarkReadOptions options;
  options.negative_missing = size % 2 == 1;  // both ways, decided by the input
  Specimens s;
  try {
    s = read_landmarks(in, "fuzz", format, options);
  } catch (const RuntimeError&) {
    return;
  }
  if (s.dims != 2 && s.dims != 3) __builtin_trap();
  std::size_t points = 0;
  for (const Specimen& sp : s.specimens) {
    if (sp.points.cols() != 3) __builtin_trap();
    for (Eigen::Index r = 0; s.dims == 2 && r < sp.points.rows(); ++r)  // 2D: z is 0, or NaN for a missing point
      if (sp.points(r, 2) != 0 && !std::isnan(sp.points(r, 2))) __builtin_trap();
    points += static_cast<std::size_t>(sp.points.rows());
  }
  if (points > size) __builtin_trap();
  if (s.specimens.empty()) return;

  std::ostringstream out;
  write_tps(out, s);
  std::istringstream again(out.str());
  Specimens back;
  try {
    back = read_tps(again, "back");
  } catch (const RuntimeError&) {
    __builtin_trap();  // what we write, we read
  }
  if (back.specimens.size() != s.specimens.size()) __builtin_trap();
  for (std::size_t i = 0; i < s.specimens.size(); ++i)
    if (!same_points(back.specimens[i].points, s.specimens[i].points)) __builtin_trap();
}

}  // namespace velmora::fuzz
