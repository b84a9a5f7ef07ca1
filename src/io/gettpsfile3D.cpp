#include "io/gettpsfile3D.h"

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
  const double limit = 3 * points;
  out.namelist.push_back(s.rest_of_line().value_or(""));
  std::vector<double> values;  // row by row
  const std::size_t width = s.numbers(limit, values);
  std::optional<char> opened;
  if (static_cast<double>(width) == limit) opened = check_no_more_numbers(s, source, 1, line, points, 3, "its header");
  if (width == 0)
    throw RuntimeError(
        sprintf_m("%s, line %d: specimen 1 has no coordinates after its header.", std::string(source), line));
  long rows = 1;
  for (;;) {
    if (!next_header_search(s, nullptr, opened)) {
      out.namelist.push_back("-1");
      break;
    }
    line = s.line();
    double unused = 0;
    s.number(unused);
    out.namelist.push_back(s.rest_of_line().value_or("-1"));
    const std::size_t r = s.numbers(limit, values);
    opened.reset();
    if (static_cast<double>(r) == limit)
      opened = check_no_more_numbers(s, source, rows + 1, line, points, 3, "the first header (for every specimen)");
    if (r == 0) {
      out.notice = sprintf_m(
          "%s: reading stopped at specimen %d (line %d): no coordinates follow its header. %d "
          "specimen(s) were read.",
          std::string(source), rows + 1, line, rows);
      break;
    }
    if (r != width)
      throw RuntimeError(sprintf_m("%s, line %d: specimen %d has %d coordinate values where specimen 1 has %d.",
                                   std::string(source), line, rows + 1, static_cast<double>(r),
                                   static_cast<double>(width)));
    ++rows;
  }
  out.y = Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
      values.data(), rows, static_cast<Eigen::Index>(width));
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
