#include "io/formats/morphologika_format.h"

#include <map>

#include "io/formats/text_lines.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

constexpr double kLargestCount = 1e12;

struct Line {
  long number;
  std::string text;
};

}  // namespace

Specimens read_morphologika(std::istream& in, std::string_view source) {
  LineReader lines(in, source);
  const std::string file(source);
  std::map<std::string, std::vector<Line>> sections;
  std::map<std::string, long> section_line;
  std::string current;
  std::string text;
  while (lines.next(text)) {
    const std::string_view t = trim(text);
    if (t.empty() || t.front() == '\'') continue;
    if (t.front() == '[' && t.back() == ']') {
      current = lower_case(trim(t.substr(1, t.size() - 2)));
      if (section_line.count(current)) lines.fail("a second [" + current + "] section.");
      section_line[current] = lines.line();
      sections[current];
      continue;
    }
    if (current.empty()) lines.fail("\"" + std::string(t.substr(0, 40)) + "\" comes before the first [section].");
    sections[current].push_back({lines.line(), std::string(t)});
  }
  if (!section_line.count("individuals") && !section_line.count("rawpoints"))
    throw RuntimeError(file + ": no [individuals] or [rawpoints] section; this is not a Morphologika file.");

  const auto count = [&](const char* name, double limit) -> long long {
    auto it = sections.find(name);
    if (it == sections.end()) throw RuntimeError(file + ": the [" + std::string(name) + "] section is missing.");
    if (it->second.empty())
      throw RuntimeError(file + ", line " + std::to_string(section_line[name]) + ": the [" + name +
                         "] section holds no number.");
    const Line& l = it->second.front();
    const std::vector<std::string_view> words = split_words(l.text);
    long long value = 0;
    if (words.size() != 1 || !parse_count(words[0], limit, value) || value < 1)
      throw RuntimeError(file + ", line " + std::to_string(l.number) + ": [" + name + "] gives \"" + l.text +
                         "\"; a whole number of at least 1 is needed.");
    return value;
  };
  const long long n = count("individuals", kLargestCount);
  const long long k = count("landmarks", kLargestCount);
  const long long d = count("dimensions", kLargestCount);
  if (d != 2 && d != 3)
    throw RuntimeError(file + ", line " + std::to_string(sections["dimensions"].front().number) + ": [dimensions] is " +
                       std::to_string(d) + "; 2 or 3 are read.");
  if (!sections.count("rawpoints")) throw RuntimeError(file + ": the [rawpoints] section is missing.");

  // The numbers, never more than the counts ask for.
  const double needed = static_cast<double>(n) * static_cast<double>(k) * static_cast<double>(d);
  std::vector<double> values;
  for (const Line& l : sections["rawpoints"]) {
    for (std::string_view word : split_words(l.text)) {
      double v = 0;
      const std::size_t per = static_cast<std::size_t>(k * d);
      const std::size_t specimen = (per == 0 ? 0 : values.size() / per) + 1;
      if (!parse_value(word, v))
        throw RuntimeError(file + ", line " + std::to_string(l.number) + ": specimen " + std::to_string(specimen) +
                           ": \"" + std::string(word.substr(0, 40)) + "\" is not a number.");
      if (static_cast<double>(values.size()) >= needed)
        throw RuntimeError(file + ", line " + std::to_string(l.number) + ": [rawpoints] holds more than the " +
                           product_in_digits({n, k, d}) + " numbers that " + std::to_string(n) +
                           " individuals of " + std::to_string(k) + " landmarks in " + std::to_string(d) +
                           " dimensions need.");
      values.push_back(v);
    }
  }
  if (static_cast<double>(values.size()) < needed) {
    const long long per = k * d;
    const long long full = per == 0 ? 0 : static_cast<long long>(values.size()) / per;
    throw RuntimeError(file + ": [rawpoints] holds " + std::to_string(values.size()) + " numbers where " +
                       std::to_string(n) + " individuals of " + std::to_string(k) + " landmarks in " +
                       std::to_string(d) + " dimensions need " + product_in_digits({n, k, d}) +
                       "; specimen " + std::to_string(full + 1) + " is short.");
  }

  Specimens out;
  out.dims = static_cast<int>(d);
  const std::vector<Line>& names = sections["names"];
  if (section_line.count("names") && static_cast<long long>(names.size()) != n)
    out.notes.push_back(file + ", line " + std::to_string(section_line["names"]) + ": [names] holds " +
                        std::to_string(names.size()) + " names for " + std::to_string(n) +
                        " individuals; the others are numbered.");
  for (long long i = 0; i < n; ++i) {
    Specimen s;
    s.name = i < static_cast<long long>(names.size()) ? names[i].text : numbered_name(i + 1);
    s.points = Eigen::MatrixXd::Zero(k, 3);
    for (long long p = 0; p < k; ++p)
      for (long long c = 0; c < d; ++c) s.points(p, c) = values[(i * k + p) * d + c];
    out.specimens.push_back(std::move(s));
  }
  return out;
}

std::vector<std::string> write_morphologika(std::ostream& out, const Specimens& s) {
  flat_rows(s, "the Morphologika file");  // the same points in every specimen
  const Eigen::Index k = s.specimens.empty() ? 0 : s.specimens[0].points.rows();
  out << "[individuals]\n" << s.specimens.size() << "\n[landmarks]\n" << k << "\n[dimensions]\n" << s.dims << "\n";
  std::vector<std::string> notes;
  out << "[names]\n";
  for (std::size_t i = 0; i < s.specimens.size(); ++i) {
    std::string name = one_line(s.specimens[i].name);
    if (name.empty()) name = numbered_name(i + 1);
    // A name must not read as a section or a comment.
    if (name.front() == '[' || name.front() == '\'') {
      name.front() = name.front() == '[' ? '(' : '`';
      notes.push_back("specimen " + std::to_string(i + 1) +
                      "'s name starts with a character Morphologika reads as a "
                      "section or comment; it is written as \"" +
                      name + "\".");
    }
    out << name << "\n";
  }
  out << "[rawpoints]\n";
  for (std::size_t i = 0; i < s.specimens.size(); ++i) {
    out << "'#" << i + 1 << "\n";
    const Eigen::MatrixXd& p = s.specimens[i].points;
    for (Eigen::Index r = 0; r < k; ++r) {
      out << format_value(p(r, 0)) << " " << format_value(p(r, 1));
      if (s.dims != 2) out << " " << format_value(p(r, 2));
      out << "\n";
    }
  }
  return notes;
}

}  // namespace velmora
