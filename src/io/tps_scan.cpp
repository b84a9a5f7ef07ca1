#include "io/tps_scan.h"

#include <cmath>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

bool is_l(char c) { return c == 'l' || c == 'L'; }
bool is_m(char c) { return c == 'm' || c == 'M'; }

bool is_whole(double v) { return std::isfinite(v) ? v == std::floor(v) : v > 0; }

Eigen::RowVectorXd widen(const std::vector<double>& read, int dims) {
  if (dims == 3) return Eigen::Map<const Eigen::RowVectorXd>(read.data(), static_cast<Eigen::Index>(read.size()));
  const Eigen::Index q = static_cast<Eigen::Index>(read.size() / 2);
  Eigen::RowVectorXd row(3 * q);
  for (Eigen::Index k = 0; k < q; ++k) {
    row(3 * k) = read[2 * k];
    row(3 * k + 1) = read[2 * k + 1];
    row(3 * k + 2) = 0;
  }
  return row;
}

std::string stopped(std::string_view source, long specimen, long line, const std::string& why, std::size_t read) {
  return sprintf_m("%s: reading stopped at specimen %d (line %d): %s. %d specimen(s) were read.", std::string(source),
                   specimen, line, why, static_cast<double>(read));
}

}  // namespace

bool first_header_search(TextScanner& s) {
  char c = 'a';
  while (c != '=') {
    if (!s.get(c)) return false;
    while (!is_l(c))
      if (!s.get(c)) return false;
    if (!s.get(c)) return false;
    if (is_m(c) && !s.get(c)) return false;
  }
  return true;
}

bool next_header_search(TextScanner& s, Console* echo, std::optional<char> opened) {
  char c = 'a';
  while (c != '=') {
    const bool got = opened ? (c = *opened, true) : s.get(c);
    opened.reset();
    if (echo != nullptr) {
      echo->echo("thischar", got ? std::string(1, c) : std::string());
      echo->echo("temp", got ? 1.0 : 0.0);
    }
    if (!got) return false;
    while (!is_l(c))
      if (!s.get(c)) return false;
    if (!s.get(c)) return false;
    if (!is_m(c)) {
      c = 'a';
      continue;
    }
    if (!s.get(c)) return false;
  }
  return true;
}

void check_first_count(bool read, double count, std::string_view source, long line) {
  if (!read)
    throw RuntimeError(
        sprintf_m("%s, line %d: the header of specimen 1 gives no number of points.", std::string(source), line));
  if (!(count >= 1) || !is_whole(count))
    throw RuntimeError(
        sprintf_m("%s, line %d: the header of specimen 1 gives %s points; a whole number of at least "
                  "1 is needed.",
                  std::string(source), line, format_echo_number(count)));
}

std::optional<char> check_no_more_numbers(TextScanner& s, std::string_view source, long specimen, long line,
                                          double count, int dims, std::string_view whose) {
  char first = 0;
  const bool spaced = s.skip_space(first);
  double more = 0, v = 0;
  while (s.number(v)) ++more;
  if (more == 0) return spaced ? std::optional<char>(first) : std::nullopt;
  const double total = dims * count + more;
  if (std::fmod(total, dims) == 0)
    throw RuntimeError(sprintf_m("%s, line %d: specimen %d has %d points where %s gives %d; the last %d would be lost.",
                                 std::string(source), line, specimen, total / dims, std::string(whose), count,
                                 more / dims));
  throw RuntimeError(sprintf_m(
      "%s, line %d: specimen %d has %d numbers where the %d points %s gives take %d (%d a point); the rest would be "
      "lost.",
      std::string(source), line, specimen, total, count, std::string(whose), dims * count, static_cast<double>(dims)));
}

void check_coordinates_complete(TextScanner& s, std::string_view source, long specimen, long header_line, double count,
                                int dims, std::size_t read) {
  if (static_cast<double>(read) >= dims * count) return;
  const std::string word = s.peek_word(40);
  if (!word.empty() && word.find('=') == std::string::npos)
    throw RuntimeError(
        sprintf_m("%s, line %d: specimen %d: \"%s\" is not a number (its header, line %d, announces %d "
                  "points of %d numbers each).",
                  std::string(source), s.line(), specimen, word, header_line, count, static_cast<double>(dims)));
  if (read == 0) return;
  throw RuntimeError(
      sprintf_m("%s, line %d: specimen %d: its header announces %d points, %d numbers, and %d follow%s.",
                std::string(source), header_line, specimen, count, dims * count, static_cast<double>(read),
                static_cast<double>(read % dims) != 0
                    ? sprintf_m(" (not a whole number of points of %d numbers)", static_cast<double>(dims))
                    : std::string()));
}

IrregularTps read_irregular_tps(std::istream& in, std::string_view source, Console& console, int dims) {
  TextScanner s(in, std::string(source));
  IrregularTps out;
  if (!first_header_search(s))
    throw RuntimeError(std::string(source) +
                       ": no landmark header was found (LM= followed by the number of points of a specimen).");
  long line = s.line();
  double count = 0;
  const bool got = s.number(count);
  check_first_count(got, count, source, line);
  out.namelist.push_back(s.rest_of_line().value_or(""));
  std::vector<double> read;
  std::size_t r = s.numbers(dims * count, read);
  check_coordinates_complete(s, source, 1, line, count, dims, r);
  std::optional<char> opened;
  if (static_cast<double>(r) == dims * count)
    opened = check_no_more_numbers(s, source, 1, line, count, dims, "its header");
  console.echo("tempa",
               Eigen::MatrixXd(Eigen::Map<const Eigen::RowVectorXd>(read.data(), static_cast<Eigen::Index>(r))));
  console.echo("temp", static_cast<double>(r));
  if (r == 0)
    throw RuntimeError(
        sprintf_m("%s, line %d: specimen 1 has no coordinates after its header.", std::string(source), line));
  std::vector<double> sizes;
  out.y.push_back(widen(read, dims));
  sizes.push_back(static_cast<double>(r));
  for (;;) {
    if (!next_header_search(s, &console, opened)) break;  // the end of the file
    line = s.line();
    const long specimen = static_cast<long>(out.y.size()) + 1;
    if (!s.number(count)) {
      out.notice = stopped(source, specimen, line, "its header gives no number of points", out.y.size());
      break;
    }
    if (!(count > 1)) {
      out.notice = stopped(
          source, specimen, line,
          "its header gives " + format_echo_number(count) + " points, and a count of 1 or less ends the reading",
          out.y.size());
      break;
    }
    if (!is_whole(count))
      throw RuntimeError(
          sprintf_m("%s, line %d: the header of specimen %d gives %s points; a whole number is "
                    "needed.",
                    std::string(source), line, specimen, format_echo_number(count)));
    std::optional<std::string> rest = s.rest_of_line();
    read.clear();
    r = s.numbers(dims * count, read);
    check_coordinates_complete(s, source, specimen, line, count, dims, r);
    opened.reset();
    if (static_cast<double>(r) == dims * count)
      opened = check_no_more_numbers(s, source, specimen, line, count, dims, "its header");
    if (r == 0) {
      out.notice = stopped(source, specimen, line, "no coordinates follow its header", out.y.size());
      break;
    }
    out.namelist.push_back(rest.value_or(""));
    out.y.push_back(widen(read, dims));
    sizes.push_back(static_cast<double>(r));
  }
  out.ny = Eigen::Map<const Eigen::RowVectorXd>(sizes.data(), static_cast<Eigen::Index>(sizes.size()));
  return out;
}

}  // namespace velmora
