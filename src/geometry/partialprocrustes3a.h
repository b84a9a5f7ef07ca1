// Partial Procrustes fit of one configuration onto another.
#pragma once

#include <Eigen/Dense>

namespace velmora {

class Console;

/// The subject (p by 3) centred, scaled to centroid size 1 and multiplied by
/// svdrot2(reference, subject): a p by 3 configuration centred at the origin,
/// of unit size, in the orientation of the reference (p by 3, neither centred
/// nor scaled). The subject is never scaled to match the reference.
/// When the fitted matrix R fails the orthogonality check (first diagonal
/// entry of R'R, rounded to 5 decimals, not 1), `stemp` ("Error in rotation"),
/// `roto` and `temp` are echoed on `console` when one is given; the fit goes on.
/// Throws RuntimeError for a subject of zero centroid size (all its points
/// coincide) and for configurations that do not match (3 columns, same points).
Eigen::MatrixXd partialprocrustes3a(const Eigen::MatrixXd& reference, const Eigen::MatrixXd& subject,
                                    Console* console = nullptr);

}  // namespace velmora
