#include "io/gettpsfile3D.h"

#include <cmath>

#include "io/formats/specimens.h"
#include "io/open_input.h"
#include "io/text_scanner.h"
#include "io/tps_scan.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

TpsFile gettpsfile3D(std::istream& in, std::string_view source) {
  TextScanner s(in, std::string(source));
  TpsFile out;
  if (!first_header_search(s))
    throw RuntimeError(std::string(source) +
                       ": no landmark header was found (LM= followed by the number of points of a specimen).");
  long line = s.line();
  double points = 0;
  const bool got = s.number(points);
  check_first_count(got, points, source, line);
  out.namelist.push_back(s.rest_of_line().value_or(""));
  std::vector<double> values;  // row by row
  std::size_t r = s.numbers(3 * points, values);
  check_coordinates_complete(s, source, 1, line, points, 3, r);
  std::optional<char> opened;
  if (static_cast<double>(r) == 3 * points) opened = check_no_more_numbers(s, source, 1, line, points, 3, "its header");
  if (r == 0)
    throw RuntimeError(
        sprintf_m("%s, line %d: specimen 1 has no coordinates after its header.", std::string(source), line));
  // Each specimen is read with its own header's count; the counts must agree,
  // and when they do not, the one that differs from the others is named.
  std::vector<long long> counts = {static_cast<long long>(points)};
  std::vector<long> header_lines = {line};
  for (;;) {
    if (!next_header_search(s, nullptr, opened)) {
      out.namelist.push_back("-1");
      break;
    }
    line = s.line();
    const long specimen = static_cast<long>(counts.size()) + 1;
    const auto stop = [&](const std::string& why) {
      out.notice = sprintf_m("%s: reading stopped at specimen %d (line %d): %s. %d specimen(s) were read.",
                             std::string(source), specimen, line, why, static_cast<double>(counts.size()));
    };
    double count = 0;
    if (!s.number(count)) {
      out.namelist.push_back("-1");
      stop("its header gives no number of points");
      break;
    }
    out.namelist.push_back(s.rest_of_line().value_or("-1"));
    if (!(count >= 1) || count != std::floor(count) || !std::isfinite(count))
      throw RuntimeError(
          sprintf_m("%s, line %d: the header of specimen %d gives %s points; a whole number of at "
                    "least 1 is needed.",
                    std::string(source), line, specimen, format_echo_number(count)));
    r = s.numbers(3 * count, values);
    check_coordinates_complete(s, source, specimen, line, count, 3, r);
    opened.reset();
    if (static_cast<double>(r) == 3 * count)
      opened = check_no_more_numbers(s, source, specimen, line, count, 3, "its header");
    if (r == 0) {
      stop("no coordinates follow its header");
      break;
    }
    counts.push_back(static_cast<long long>(count));
    header_lines.push_back(line);
  }
  if (const std::optional<CountDifference> differ = differing_count(counts, "points"))
    throw RuntimeError(sprintf_m("%s, line %d: %s; every specimen of the sample needs the same points.",
                                 std::string(source), header_lines[differ->specimen], differ->text));
  out.y = Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
      values.data(), static_cast<Eigen::Index>(counts.size()), static_cast<Eigen::Index>(3 * points));
  return out;
}

std::optional<TpsFile> gettpsfile3D(UiPort& ui) {
  const std::optional<FileChoice> choice = ui.open_file("*.txt", "Specify 3D input file to load");
  if (!choice) return std::nullopt;
  ui.set_working_folder(choice->folder);
  std::ifstream in = open_input(choice->path(), ui.console());
  TpsFile out = gettpsfile3D(in, choice->name);
  out.fname = choice->name;
  if (!out.notice.empty()) {
    ui.console().write(out.notice + "\n");
    ui.message_box(out.notice, "Velmora3d", MessageMode::non_modal);
  }
  return out;
}

}  // namespace velmora
