#include "desktop/file_kind.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "io/formats/landmark_file.h"
#include "io/open_input.h"
#include "io/text_scanner.h"
#include "runtime/format.h"

namespace velmora {
namespace {

// The numbers of a line up to a '%' comment; false when something else is on it.
bool numbers_of(const std::string& line, std::vector<double>& out) {
  out.clear();
  std::istringstream in(line.substr(0, line.find('%')));
  std::string word;
  while (in >> word) {
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0') return false;
    out.push_back(v);
  }
  return true;
}

bool whole(double v) { return std::isfinite(v) && v == std::floor(v); }

}  // namespace

FileKind guess_file_kind(std::istream& in, const std::string& name) {
  const std::string ext = lower_case(std::filesystem::path(name).extension().string());
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.find('\0') != std::string::npos) return FileKind::unknown;

  std::size_t first = head.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && head.compare(first, 3, "\xEF\xBB\xBF") == 0)
    first = head.find_first_not_of(" \t\r\n", first + 3);
  if (ext == ".v3dstudy") return FileKind::study;
  if (first != std::string::npos && head[first] == '{')
    return head.find("\"velmora3d-study\"") != std::string::npos ? FileKind::study : FileKind::unknown;

  // Lines as the readers cut them (a lone CR ends one too), from the head only.
  std::istringstream lines(head);
  TextScanner scanner(lines, name);
  std::vector<double> numbers;
  std::vector<std::size_t> counts;
  bool all_whole = true, after_header = false;
  for (std::optional<std::string> line; (line = scanner.rest_of_line());) {
    std::string t = *line;
    if (!t.empty() && t.back() == '\n') t.pop_back();
    t.erase(0, t.find_first_not_of(" \t\r\xEF\xBB\xBF"));
    if (lower_case(t.substr(0, 3)) == "lm=") {
      after_header = true;
      continue;
    }
    if (after_header) {
      // The first point after a header tells the dimension.
      if (numbers_of(t, numbers) && (numbers.size() == 2 || numbers.size() == 3))
        return numbers.size() == 3 ? FileKind::tps3d : FileKind::tps2d;
      if (!t.empty()) return FileKind::unknown;
      continue;
    }
    if (t.empty() || t[0] == '%') continue;
    if (!numbers_of(t, numbers)) {
      // TPS files may open with other lines; anything else is not ours.
      if (t.find('=') != std::string::npos) continue;
      return FileKind::unknown;
    }
    if (numbers.empty()) continue;
    counts.push_back(numbers.size());
    all_whole = all_whole && std::all_of(numbers.begin(), numbers.end(), whole);
  }
  if (counts.empty()) return FileKind::unknown;
  const bool same = std::all_of(counts.begin(), counts.end(), [&](std::size_t c) { return c == counts[0]; });
  if (same && counts[0] == 1 && counts.size() >= 6) return FileKind::protocol;
  if (same && counts[0] == 3 && all_whole) return FileKind::wireframe;
  if (same && counts[0] >= 6 && counts.size() >= 2) return FileKind::table;
  return FileKind::numbers;
}

FileKind guess_file_kind(const std::filesystem::path& file) {
  // A pipe with no writer or an endless device would hold the window: only
  // regular files are opened.
  if (not_a_file(file)) return FileKind::unreadable;
  std::ifstream in(file, std::ios::binary);
  if (!in) return FileKind::unreadable;
  return guess_file_kind(in, file.filename().string());
}

bool dimension_untold(const std::filesystem::path& file) {
  if (not_a_file(file)) return false;
  std::ifstream in(file, std::ios::binary);
  const LandmarkFormat format = detect_format(read_head(in)).format;
  if (format != LandmarkFormat::csv_table && format != LandmarkFormat::flat_table) return false;
  in.clear();
  in.seekg(0);
  try {
    read_landmarks(in, file.filename().string(), format);
  } catch (const std::exception& e) {
    // The readers' own words for it.
    return std::string_view(e.what()).find("could be 2D or 3D") != std::string_view::npos;
  }
  return false;
}

}  // namespace velmora
