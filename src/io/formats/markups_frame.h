// The anatomical frame of markups files: LPS (x to the left, y to the back,
// z up) or RAS (x to the right, y to the front, z up). The two differ in the
// signs of x and y.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

enum class Frame { lps, ras };

struct MarkupsReadOptions {
  Frame frame = Frame::lps;  // the frame the points are returned in
};

/// "LPS" or "RAS" in any case, or the numbers of the older files (0 RAS, 1 LPS).
std::optional<Frame> frame_from_text(std::string_view text);

std::string frame_name(Frame frame);

/// Points (k by 3) given in `from`, returned in `to`, and the note that says
/// which frame the file used and what was done ("SOURCE: coordinate system RAS;
/// the points were turned into LPS (x and y negated)"). `stated` false: the file
/// names no frame and `from` was assumed.
Eigen::MatrixXd to_frame(const Eigen::MatrixXd& points, Frame from, Frame to, std::string_view source, bool stated,
                         std::string& note);

}  // namespace velmora
