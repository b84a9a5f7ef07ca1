#include "io/formats/detect_format.h"

#include <algorithm>
#include <vector>

#include "io/formats/text_lines.h"
#include "io/text_scanner.h"
#include "runtime/format.h"

namespace velmora {
namespace {

constexpr std::size_t kHead = std::size_t{1} << 16;

std::string lower(std::string_view text) { return lower_case(trim(text)); }

// The lines of the head, trimmed, blank ones left out.
std::vector<std::string_view> head_lines(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  const bool cut = head.size() >= kHead;
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < head.size()) {
    std::size_t j = i;
    while (j < head.size() && head[j] != '\n' && head[j] != '\r') ++j;
    if (j == head.size() && cut) break;  // the line may go on past the head
    const std::string_view line = trim(head.substr(i, j - i));
    if (!line.empty()) out.push_back(line);
    i = j + 1;
  }
  return out;
}

// "LM=12" or "lm3 = 4": the key in upper case ("LM", "LM3"), else empty.
std::string tps_key(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  const std::string key = lower(line.substr(0, eq));
  return key == "lm" || key == "lm3" ? key : std::string();
}

bool all_numbers(std::string_view line, std::size_t& count) {
  const std::vector<std::string_view> words = split_words(line);
  double v = 0;
  for (std::string_view w : words)
    if (!parse_value(w, v)) return false;
  count = words.size();
  return !words.empty();
}

bool is_count(std::string_view word, bool label_allowed) {
  if (label_allowed && !word.empty() && (word.back() == 'L' || word.back() == 'l')) word.remove_suffix(1);
  long long n = 0;
  return parse_count(word, 1e12, n) && n > 0;
}

}  // namespace

std::string read_head(std::istream& in, std::size_t limit) {
  std::string head(limit, '\0');
  in.read(head.data(), static_cast<std::streamsize>(limit));
  head.resize(static_cast<std::size_t>(in.gcount()));
  // A first line longer than the head (a one-line .mrk.json, a flat row of
  // thousands of points) is read on to its end, up to a bound, so that there
  // is a whole line to tell the format from.
  constexpr std::size_t kLongestFirstLine = std::size_t{64} << 20;
  while (in && head.find_first_of("\n\r") == std::string::npos && head.size() < kLongestFirstLine) {
    const std::size_t had = head.size();
    head.resize(std::min(2 * had, kLongestFirstLine));
    in.read(head.data() + had, static_cast<std::streamsize>(head.size() - had));
    head.resize(had + static_cast<std::size_t>(in.gcount()));
  }
  // The whole input in one line: it ends there, and is as complete as a line
  // ended by a line break.
  if (!in && head.size() >= kHead && head.find_first_of("\n\r") == std::string::npos) head += '\n';
  return head;
}

DetectedFormat detect_format(std::string_view head) {
  const std::vector<std::string_view> lines = head_lines(head);
  DetectedFormat out;
  if (lines.empty()) return out;

  if (lines[0].front() == '{') {
    if (head.find("\"markups\"") != std::string_view::npos || head.find("\"controlPoints\"") != std::string_view::npos)
      out.format = LandmarkFormat::markups_json;
    return out;
  }
  for (std::string_view line : lines) {
    if (line.front() != '#') break;
    const std::string l = lower(line.substr(1));
    if (l.starts_with("markups fiducial file") || l.starts_with("columns") || l.starts_with("coordinatesystem")) {
      out.format = LandmarkFormat::markups_csv;
      return out;
    }
  }
  for (std::string_view line : lines) {
    const std::string l = lower(line);
    if (l == "[individuals]" || l == "[rawpoints]" || l == "[landmarks]") {
      out.format = LandmarkFormat::morphologika;
      return out;
    }
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string key = tps_key(lines[i]);
    if (key.empty()) continue;
    out.format = LandmarkFormat::tps;
    std::size_t count = 0;
    out.lm3 = key == "lm3";
    if (out.lm3)
      out.dims = 3;
    else if (i + 1 < lines.size() && all_numbers(lines[i + 1], count) && (count == 2 || count == 3))
      out.dims = static_cast<int>(count);
    for (std::size_t j = i; j < lines.size() && !out.tools; ++j) {
      const std::size_t eq = lines[j].find('=');
      if (eq == std::string_view::npos) continue;
      const std::string key = lower(lines[j].substr(0, eq));
      const std::string value = lower(lines[j].substr(eq + 1));
      out.tools =
          key == "curves" || key == "outlines" || key == "points" || ((key == "lm" || key == "lm3") && value == "0");
    }
    return out;
  }

  const std::vector<std::string_view> first = split_words(lines[0]);
  if (!first.empty() && lower(first[0]) == "version" && lines.size() > 1) {
    const std::vector<std::string_view> second = split_words(lines[1]);
    if (second.size() == 1 && (is_count(second[0], false) || second[0] == "0")) {
      out.format = LandmarkFormat::idav_pts;
      return out;
    }
  }
  // IDAV points without their version line: a count, then "LABEL x y z" lines.
  if (first.size() == 1 && is_count(first[0], false) && lines.size() > 1) {
    const std::vector<std::string_view> point = split_words(lines[1]);
    double v = 0;
    std::size_t numbers = 0;
    if ((point.size() == 3 || point.size() == 4) && !parse_value(point[0], v) &&
        all_numbers(lines[1].substr(lines[1].find(point[1])), numbers)) {
      out.format = LandmarkFormat::idav_pts;
      return out;
    }
  }

  // NTS: comment lines start with a double quote; the parameter line is "1 n p 0|1 ...".
  std::size_t at = 0;
  while (at < lines.size() && (lines[at].front() == '"' || lines[at].front() == '\'')) ++at;
  if (at < lines.size()) {
    const std::vector<std::string_view> p = split_words(lines[at]);
    // A row count of 0 is an NTS file too, an empty one, for its reader to say so.
    if (p.size() >= 4 && p[0] == "1" && (is_count(p[1], true) || p[1] == "0" || p[1] == "0L" || p[1] == "0l") &&
        is_count(p[2], true) && (p[3] == "0" || p[3] == "1")) {
      bool marked = at > 0;
      for (std::string_view w : p) {
        const std::string l = lower(w);
        marked = marked || l.starts_with("dim=") || l.back() == 'l';
      }
      // Without a mark, a table whose rows all have the same count is no NTS file.
      std::size_t width = 0, other = 0;
      bool table = all_numbers(lines[at], width);
      for (std::size_t i = at + 1; table && i < lines.size(); ++i)
        table = all_numbers(lines[i], other) && other == width;
      if (marked || !table) {
        out.format = LandmarkFormat::nts;
        return out;
      }
    }
  }

  const std::string_view top = lines[0];
  const char separator = top.find(',') != std::string_view::npos    ? ','
                         : top.find(';') != std::string_view::npos  ? ';'
                         : top.find('\t') != std::string_view::npos ? '\t'
                                                                    : 0;
  if (separator != 0) {
    double v = 0;
    for (const std::string& cell : split_fields(top, separator)) {
      if (!cell.empty() && !parse_value(cell, v)) {
        out.format = LandmarkFormat::csv_table;
        return out;
      }
    }
  }
  std::string_view numbers = top;
  const std::size_t comment = numbers.find('%');
  if (comment != std::string_view::npos) numbers = numbers.substr(0, comment);
  if (!line_numbers(numbers).empty()) out.format = LandmarkFormat::flat_table;
  return out;
}

}  // namespace velmora
