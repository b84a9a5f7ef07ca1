#include "runtime/msgboxd_layout.h"

#include <algorithm>

namespace velmora {
namespace {

// Wraps one line without line breaks.
void wrap_line(const std::string& line, std::size_t columns, std::vector<std::string>& out) {
  std::string rest = line;
  while (rest.size() > columns) {
    // The last space that leaves at most `columns` characters before it.
    std::size_t cut = rest.rfind(' ', columns);
    if (cut == std::string::npos || cut == 0) {
      cut = rest.find(' ', columns);  // a word longer than the width stays whole
      if (cut == std::string::npos) break;
    }
    std::string head = rest.substr(0, cut);
    while (!head.empty() && head.back() == ' ') head.pop_back();
    out.push_back(head);
    const std::size_t next = rest.find_first_not_of(' ', cut);
    rest = next == std::string::npos ? std::string() : rest.substr(next);
    if (rest.empty()) return;
  }
  out.push_back(rest);
}

}  // namespace

std::vector<std::string> msgboxd_wrap(const std::vector<std::string>& body, int columns) {
  std::vector<std::string> out;
  const std::size_t width = static_cast<std::size_t>(std::max(columns, 1));
  for (const std::string& text : body) {
    std::size_t start = 0;
    while (true) {
      const std::size_t end = text.find('\n', start);
      std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      wrap_line(line, width, out);
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return out;
}

MsgboxdLayout msgboxd_layout(double text_width, double text_height, bool has_icon, double screen_width,
                             double screen_height) {
  const double msg_off = 7;
  const double icon_width = 32, icon_height = 32;
  double fig_width = has_icon ? 190 : 210;
  double fig_height = 50;
  double msg_txt_width = fig_width - 2 * msg_off - (has_icon ? icon_width : 0);
  const double ok_width = 40, ok_height = 20;
  const double ok_y = msg_off;
  double msg_txt_x = msg_off;
  double msg_txt_y = msg_off + ok_y + ok_height;
  double msg_txt_height = fig_height - msg_off - msg_txt_y;
  const double icon_x = msg_txt_x;
  double icon_y = fig_height - msg_off - icon_height;

  // The text area only grows to what the wrapped text needs.
  msg_txt_width = std::max(msg_txt_width, text_width);
  msg_txt_height = std::max(msg_txt_height, text_height);

  if (has_icon) {
    msg_txt_x = icon_x + icon_width + msg_off;
    fig_width = msg_txt_x + msg_txt_width + msg_off;
    if (icon_height > msg_txt_height) {
      icon_y = ok_y + ok_height + msg_off;
      msg_txt_y = icon_y + (icon_height - msg_txt_height) / 2;
      fig_height = icon_y + icon_height + msg_off;
    } else {
      msg_txt_y = ok_y + ok_height + msg_off;
      icon_y = msg_txt_y + (msg_txt_height - icon_height) / 2;
      fig_height = msg_txt_y + msg_txt_height + msg_off;
    }
  } else {
    fig_width = msg_txt_width + 2 * msg_off;
    msg_txt_y = ok_y + ok_height + msg_off;
    fig_height = msg_txt_y + msg_txt_height + msg_off;
  }
  const double ok_x = (fig_width - ok_width) / 2;

  MsgboxdLayout out;
  out.figure = {(screen_width - fig_width) / 2, (screen_height - fig_height) / 2, fig_width, fig_height};
  out.ok_button = {ok_x, ok_y, ok_width, ok_height};
  out.text = {msg_txt_x, msg_txt_y, msg_txt_width, msg_txt_height};
  out.has_icon = has_icon;
  if (has_icon) out.icon = {icon_x, icon_y, icon_width, icon_height};
  return out;
}

}  // namespace velmora
