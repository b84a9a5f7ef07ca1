// Text between the workspace's Qt widgets and the core: paths, UTF-8 strings
// and the desktop's labels of actions.
#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

#include "desktop/action_table.h"

namespace velmora {

inline QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

inline QString qtext(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// The label of an action as a window shows it (a menu's "&&" is one "&").
inline QString label_text(const std::string& action) {
  QString label = QString::fromStdString(action_info(action).label);
  return label.replace("&&", "&");
}

}  // namespace velmora
