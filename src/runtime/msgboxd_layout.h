// The message box's layout in points: the wrapped text decides the size of the box.
#pragma once

#include <string>
#include <vector>

namespace velmora {

/// The columns at which the message box wraps its text.
inline constexpr int kMsgboxdWrapColumns = 75;

/// Splits a body text at its line breaks and wraps every line to at most
/// `columns` characters, breaking at spaces (a word longer than the width stays
/// whole on its own line).
std::vector<std::string> msgboxd_wrap(const std::vector<std::string>& body, int columns = kMsgboxdWrapColumns);

/// A rectangle in points: left, bottom, width, height (origin bottom left).
struct PointRect {
  double left = 0, bottom = 0, width = 0, height = 0;
  bool operator==(const PointRect&) const = default;
};

struct MsgboxdLayout {
  PointRect figure;     // the box, centred on the screen
  PointRect ok_button;  // within the box
  PointRect text;       // the text area; the text itself is drawn 5 points above its bottom
  PointRect icon;       // the icon area (zero size without an icon)
  bool has_icon = false;
};

/// Lays out a box whose wrapped text needs `text_width` by `text_height`
/// points, with or without an icon, centred on a screen of the given size in
/// points. The box never shrinks below 210 (190 with an icon) by 50 points.
MsgboxdLayout msgboxd_layout(double text_width, double text_height, bool has_icon, double screen_width,
                             double screen_height);

}  // namespace velmora
