#include "io/formats/nts_format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "io/formats/text_lines.h"
#include "runtime/error.h"

namespace velmora {
namespace {

constexpr double kLargestCount = 1e12;

struct Token {
  std::string text;
  long line;
};

bool is_comment(std::string_view t) { return !t.empty() && (t.front() == '"' || t.front() == '\''); }

// "20L" -> 20 with a label flag.
bool count_with_label(std::string_view word, long long& count, bool& labels) {
  labels = !word.empty() && (word.back() == 'L' || word.back() == 'l');
  if (labels) word.remove_suffix(1);
  return parse_count(word, kLargestCount, count) && count > 0;
}

bool starts_with_dim(std::string_view word) {
  return word.size() >= 4 && (word[0] == 'D' || word[0] == 'd') && (word[1] == 'I' || word[1] == 'i') &&
         (word[2] == 'M' || word[2] == 'm') && word[3] == '=';
}

}  // namespace

Specimens read_nts(std::istream& in, std::string_view source) {
  LineReader lines(in, source);
  const std::string file(source);
  std::string text;
  std::string_view t;
  do {
    if (!lines.next(text)) throw RuntimeError(file + ": the file holds no parameter line; this is not an NTS file.");
    t = trim(text);
  } while (t.empty() || is_comment(t));

  // The parameter line.
  const std::vector<std::string_view> words = split_words(t);
  const auto bad = [&](const std::string& why) {
    lines.fail("the parameter line \"" + std::string(t.substr(0, 80)) + "\" " + why +
               " (an NTS file starts with \"1 n p 0 DIM=d\": matrix type 1, n specimens, p values each, no missing "
               "values, d dimensions).");
  };
  if (words.size() < 4 || words[0] != "1") bad("is not of the NTS form");
  long long n = 0, p = 0;
  bool row_labels = false, column_labels = false;
  if (!count_with_label(words[1], n, row_labels)) {
    if (n == 0 && parse_count(std::string_view(words[1]).substr(0, row_labels ? words[1].size() - 1 : words[1].size()),
                              kLargestCount, n))
      lines.fail("the parameter line \"" + std::string(t.substr(0, 80)) +
                 "\" announces 0 rows: the matrix is empty, so the file holds no specimen.");
    bad("gives no number of specimens");
  }
  if (!count_with_label(words[2], p, column_labels)) bad("gives no number of values a specimen");
  std::optional<double> code;
  std::size_t next = 4;
  if (words[3] == "1") {
    double c = 0;
    if (words.size() > 4 && !starts_with_dim(words[4]) && parse_value(words[4], c) && !std::isnan(c)) {
      code = c;
      next = 5;
    }
  } else if (words[3] != "0") {
    bad("has \"" + std::string(words[3]) + "\" where 0 (no missing values) or 1 (a missing-value code) belongs");
  }
  long long d = 0;
  for (std::size_t i = next; i < words.size(); ++i) {
    std::string_view w = words[i];
    if (starts_with_dim(w)) {
      if (!parse_count(w.substr(4), 3, d) || (d != 2 && d != 3)) bad("gives a DIM= other than 2 or 3");
    } else {
      bad("has \"" + std::string(w) + "\", which is not DIM=2 or DIM=3");
    }
  }
  if (d == 0) {
    if (p % 3 == 0 && p % 2 != 0)
      d = 3;
    else if (p % 2 == 0 && p % 3 != 0)
      d = 2;
    else
      bad("has no DIM=, and " + std::to_string(p) +
          " values a specimen could be 2D or 3D points; add DIM=2 or "
          "DIM=3");
  }
  if (p % d != 0)
    bad("gives " + std::to_string(p) + " values a specimen, which are not whole points of " + std::to_string(d) +
        " coordinates");
  long long k = p / d;
  // The single-specimen form: one point a row (columns = the dimension), one
  // specimen of as many points as rows.
  const bool single = p == d && n > 1;
  const long long label_rows = n, label_columns = p;  // the labels go with the matrix as written
  if (single) {
    k = n;
    p = n * d;
    n = 1;
  }

  // Labels, then the values, never more than the counts ask for.
  Specimens out;
  out.dims = static_cast<int>(d);
  std::vector<std::string> names;
  long long column_labels_left = column_labels ? label_columns : 0;
  std::vector<double> values;
  const double needed = static_cast<double>(n) * static_cast<double>(p);
  while (lines.next(text)) {
    const std::string_view line = trim(text);
    if (line.empty() || is_comment(line)) continue;
    for (std::string_view word : split_words(line)) {
      if (row_labels && static_cast<long long>(names.size()) < label_rows) {
        names.emplace_back(word);
        continue;
      }
      if (column_labels_left > 0) {
        --column_labels_left;
        continue;
      }
      const std::size_t specimen = values.size() / static_cast<std::size_t>(p) + 1;
      if (static_cast<double>(values.size()) >= needed)
        lines.fail("more than the " + std::to_string(n) + " x " + std::to_string(p) +
                   " values the parameter line announces.");
      double v = 0;
      if (!parse_value(word, v))
        lines.fail("specimen " + std::to_string(specimen) + ": \"" + std::string(word.substr(0, 40)) +
                   "\" is not a number.");
      if (code && v == *code) v = std::nan("");
      values.push_back(v);
    }
  }
  if (static_cast<double>(values.size()) < needed)
    throw RuntimeError(file + ": " + std::to_string(values.size()) + " values where the parameter line announces " +
                       std::to_string(n) + " specimens of " + std::to_string(p) + " (" +
                       product_in_digits({label_rows, label_columns}) + "); specimen " +
                       std::to_string(values.size() / static_cast<std::size_t>(p) + 1) + " is short.");
  if (single) {
    out.notes.push_back(file + ": " + std::to_string(k) + " rows of " + std::to_string(d) +
                        " values (one point a row) are the points of one specimen.");
    names.assign(1, file_stem(file));
  }
  for (long long i = 0; i < n; ++i) {
    Specimen s;
    s.name = i < static_cast<long long>(names.size()) ? names[i] : numbered_name(i + 1);
    s.points = Eigen::MatrixXd::Zero(k, 3);
    for (long long q = 0; q < k; ++q)
      for (long long c = 0; c < d; ++c) s.points(q, c) = values[i * p + q * d + c];
    out.specimens.push_back(std::move(s));
  }
  return out;
}

std::vector<std::string> write_nts(std::ostream& out, const Specimens& s) {
  flat_rows(s, "the NTS file");  // the same points in every specimen
  std::vector<std::string> notes;
  const Eigen::Index k = s.specimens.empty() ? 0 : s.specimens[0].points.rows();
  if (k == 0) throw RuntimeError("The specimens have no points, and an NTS file of no values cannot be read back.");
  const int d = s.dims == 2 ? 2 : 3;
  bool missing = false;
  double code = -999;
  double lowest = INFINITY;
  const auto used = [&](double c) {
    for (const Specimen& sp : s.specimens)
      for (Eigen::Index r = 0; r < k; ++r)
        for (int j = 0; j < d; ++j)
          if (sp.points(r, j) == c) return true;
    return false;
  };
  for (const Specimen& sp : s.specimens) {
    missing = missing || sp.points.leftCols(d).hasNaN();
    for (Eigen::Index r = 0; r < k; ++r)
      for (int j = 0; j < d; ++j)
        if (std::isfinite(sp.points(r, j))) lowest = std::min(lowest, sp.points(r, j));
  }
  for (int tries = 0; missing && used(code) && tries < 12; ++tries) code = code * 10 - 9;
  // Values that take every usual code: one below the lowest value, which no
  // value can equal.
  if (missing && used(code)) code = std::floor(lowest) - 1;
  if (missing && (used(code) || !std::isfinite(code)))
    throw RuntimeError("No missing-value code can be told apart from the values (the lowest is " +
                       format_value(lowest) + "); write the file without the missing specimens (--drop-missing).");
  out << "1 " << s.specimens.size() << "L " << k * d << (missing ? " 1 " + format_value(code) : std::string(" 0"))
      << " DIM=" << d << "\n";
  bool renamed = false;
  for (std::size_t i = 0; i < s.specimens.size(); ++i) {
    std::string name = one_line(s.specimens[i].name);
    if (name.empty()) name = numbered_name(i + 1);
    // A label is one word, and no line of the file may look like another
    // format's (a TPS "LM=3", a Morphologika "[landmarks]", a comment).
    for (char& c : name) {
      if (std::isspace(static_cast<unsigned char>(c)) || c == '=') {
        c = '_';
        renamed = true;
      }
    }
    if (std::string_view("\"'[#{%").find(name.front()) != std::string_view::npos) {
      name.front() = '_';
      renamed = true;
    }
    out << name << "\n";
  }
  if (renamed)
    notes.push_back(
        "NTS labels hold no spaces and no \"=\", and start with no quote, bracket or comment sign: such characters "
        "of the names are written as \"_\".");
  for (const Specimen& sp : s.specimens) {
    for (Eigen::Index r = 0; r < k; ++r)
      for (int j = 0; j < d; ++j) {
        const double v = sp.points(r, j);
        out << (r == 0 && j == 0 ? "" : " ") << format_value(std::isnan(v) ? code : v);
      }
    out << "\n";
  }
  return notes;
}

}  // namespace velmora
