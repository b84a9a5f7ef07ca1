#include "io/formats/markups_frame.h"

#include "io/formats/text_lines.h"

namespace velmora {

std::optional<Frame> frame_from_text(std::string_view text) {
  std::string t(trim(text));
  for (char& c : t)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (t == "LPS" || t == "1") return Frame::lps;
  if (t == "RAS" || t == "0") return Frame::ras;
  return std::nullopt;
}

std::string frame_name(Frame frame) { return frame == Frame::lps ? "LPS" : "RAS"; }

Eigen::MatrixXd to_frame(const Eigen::MatrixXd& points, Frame from, Frame to, std::string_view source, bool stated,
                         std::string& note) {
  note = std::string(source) + ": coordinate system " + frame_name(from) + (stated ? "" : " (the file names none)");
  Eigen::MatrixXd out = points;
  if (from == to) {
    note += "; the points are used as they are.";
  } else {
    out.leftCols(2) = -out.leftCols(2);
    note += "; the points were turned into " + frame_name(to) + " (x and y negated).";
  }
  return out;
}

}  // namespace velmora
