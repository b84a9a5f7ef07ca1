// Help > Manual: the README's sections for users, rendered with their pictures.
#pragma once

#include <QString>
#include <filesystem>
#include <vector>

class QWidget;

namespace velmora {

/// The sections of `readme` (Markdown) a user reads: all but those about the
/// code, its checks and its benchmarks.
QString manual_text(const QString& readme);

/// The README the program ships beside it, looked for in `folders` in order;
/// empty when none has one.
std::filesystem::path find_manual(const std::vector<std::filesystem::path>& folders);

/// Shows the manual read from `readme` in a window over `parent` (its pictures
/// from the README's folder).
void show_manual(QWidget* parent, const std::filesystem::path& readme);

}  // namespace velmora
