#include "io/load_proto.h"

#include <cmath>

#include "io/mfload.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

std::string position_meaning(long k) {
  switch (k) {
    case 1:
      return "the ruler flag";
    case 2:
      return "the first ruler landmark";
    case 3:
      return "the second ruler landmark";
    case 4:
      return "the ruler length";
    case 5:
      return "the number of curves";
    case 6:
      return "the curve ending code";
    default:
      break;
  }
  const long curve = (k - 5) / 2;
  return (k % 2 == 1 ? "the type of curve " : "the number of points of curve ") + std::to_string(curve);
}

}  // namespace

double protocol_value(const Eigen::MatrixXd& proto, long k, const std::string& fname) {
  if (k < 1 || k > proto.size())
    throw RuntimeError(sprintf_m("The protocol %s holds %d values; value %d (%s) is missing.", fname,
                                 static_cast<double>(proto.size()), k, position_meaning(k)));
  return proto.data()[k - 1];
}

std::string protocol_report(const Eigen::MatrixXd& proto, const std::string& fname, Console& console) {
  // The report grows by one line a curve and is echoed whole after each: the
  // lines are appended in place and the echoes made only when someone hears
  // them, so a protocol of many curves costs time in proportion to its size.
  const bool echo = console.listening();
  std::string stemp = sprintf_m("Load Protocol File %s", fname);
  if (echo) console.echo("stemp", stemp);
  std::string stempb;
  if (protocol_value(proto, 1, fname) == 1)
    // The ruler as the loaders use it: position 4 is the length, positions 2
    // and 3 the endpoint landmarks.
    stempb = sprintf_m("\\nThis file indicates ruler of length %f endpoints %i, %i", protocol_value(proto, 4, fname),
                       protocol_value(proto, 2, fname), protocol_value(proto, 3, fname));
  else
    stempb = sprintf_m("\\nNo ruler is in use");
  const double curves = protocol_value(proto, 5, fname);
  const std::string stempc =
      sprintf_m("\\nThere are %i curves and the curve ending code is %f\\n", curves, protocol_value(proto, 6, fname));
  stemp = strcat_m({stemp, stempb, stempc});
  for (long i = 1; i <= curves; ++i) {
    const double type = protocol_value(proto, 5 + 2 * i, fname);
    const double points = protocol_value(proto, 6 + 2 * i, fname);
    std::string stempa;
    if (type == 1)
      stempa = sprintf_m("\\nCurve %i is closed and will have %i points", i, points);
    else if (type == 2)
      stempa = sprintf_m("\\nCurve %i is open and will have %i points, last omitted", i, points - 1);
    else
      stempa = sprintf_m("\\nCurve %i is open-ended and will have %i points", i, points);
    // strcat_m({stemp, stempa}) without copying stemp.
    stemp.erase(stemp.find_last_not_of(" \t\n\r\v\f") + 1);
    stemp += trim_trailing(stempa);
    if (echo) console.echo("stemp", stemp);
  }
  return stemp;
}

std::optional<LoadedProtocol> load_proto(UiPort& ui) {
  std::optional<LoadedTable> table = mfload(ui);
  if (!table) return std::nullopt;
  LoadedProtocol out;
  out.report = protocol_report(table->table, table->fname, ui.console());
  out.proto = std::move(table->table);
  out.fnamewire = table->fname;
  return out;
}

}  // namespace velmora
