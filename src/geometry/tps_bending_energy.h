// The bending energy matrix of the thin-plate spline.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// The bending energy matrix Lp of the thin-plate spline through `landmarks`
/// (p by m, m = 2 or 3): the upper-left p by p block of the inverse of the
/// system tps_system(landmarks). It is symmetric; for target coordinates Y
/// (p by m) the spline's bending energy is trace(Y' Lp Y) up to the kernel's
/// sign: it is zero exactly when Y is an affine image of the landmarks, and
/// otherwise positive in the plane (r^2 log r^2) and negative in space (r).
/// Throws RuntimeError as tps_system.
Eigen::MatrixXd tps_bending_energy(const Eigen::MatrixXd& landmarks);

}  // namespace velmora
