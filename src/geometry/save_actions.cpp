#include "geometry/save_actions.h"

#include <cmath>
#include <string>
#include <vector>

#include "display/campos.h"
#include "display/sample_style.h"
#include "display/showshape3D.h"
#include "display/title.h"
#include "geometry/d_slm_align.h"
#include "geometry/getpproc3.h"
#include "geometry/vertxy3D.h"
#include "geometry/x1y1z1.h"
#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/format.h"

namespace velmora {
namespace {

constexpr const char* kFilter = "*.*";
constexpr const char* kDialogTitle = "File Name for x1y1z1..cs File";
constexpr const char* kPlotTitle = "Semi-landmark Aligned Data";
constexpr const char* kBoxText = "Close this box to continue saving aligned data";
constexpr const char* kBoxTitle = "Semi_Landmarks Aligned";

/// Checks that there is a sample to save and a size for every specimen.
void require_sample(const Sample& data, const Eigen::RowVectorXd& sizes, const char* which, const char* load_with) {
  if (data.empty() || data.count() == 0)
    throw RuntimeError(std::string("There is no ") + which + " sample to save: load one with " + load_with + " first.");
  if (sizes.size() < data.count())
    throw RuntimeError(sprintf_m("The %s sample has %i specimens but %i centroid sizes; load it again.",
                                 std::string(which), data.count(), sizes.size()));
}

/// One x1y1z1 row per specimen: m by 3p+1.
Eigen::MatrixXd flat_rows(const Sample& data, const Eigen::RowVectorXd& sizes) {
  Eigen::MatrixXd temp(data.count(), 3 * data.points() + 1);
  for (Eigen::Index i = 0; i < data.count(); ++i) temp.row(i) = x1y1z1(data.specimen(i), sizes(i));
  return temp;
}

/// The 2D form of x1y1z1 rows: every z left out, the size kept last.
Eigen::MatrixXd without_z(const Eigen::MatrixXd& temp) {
  const Eigen::Index n = temp.cols();
  const Eigen::Index points = (n - 1) / 3;
  Eigen::MatrixXd tempa(temp.rows(), 2 * points + 1);
  for (Eigen::Index i = 0; i < temp.rows(); ++i) {
    for (Eigen::Index j = 0; j < points; ++j) {
      tempa(i, 2 * j) = temp(i, 3 * j);
      tempa(i, 2 * j + 1) = temp(i, 3 * j + 1);
    }
    tempa(i, 2 * points) = temp(i, n - 1);
  }
  return tempa;
}

/// Writes the table to the chosen file and reports it.
void write_table(const FileChoice& choice, const Eigen::MatrixXd& table, UiPort& ui) {
  const std::filesystem::path path = choice.path();
  const std::uintmax_t bytes = write_file_atomically(path, saved_file_text(table),
                                                     [&](const std::string& note) { ui.console().write(note + "\n"); });
  ui.file_written(path, bytes);
}

/// The dialog, then the file: nothing is written when the dialog is cancelled.
SaveOutcome ask_and_write(const Eigen::MatrixXd& table, UiPort& ui) {
  const std::optional<FileChoice> choice = ui.save_file(kFilter, kDialogTitle);
  if (!choice) return {};
  write_table(*choice, table, ui);
  return {choice->name};
}

/// A protocol value by running position (counted from 1, column by column).
double protocol_value(const Eigen::MatrixXd& proto, Eigen::Index position) { return proto.reshaped()(position - 1); }

/// What the aligned saves need beyond the sample, checked before anything is
/// shown or written.
struct Curve {
  Eigen::Index first = 0;  // first column of the curve within a flat row (from 0)
  Eigen::Index values = 0;
  double type = 0;
};

std::vector<Curve> protocol_curves(const Sample& data1, const Eigen::MatrixXd& mean1, const Eigen::MatrixXd& proto,
                                   const Eigen::RowVectorXd& rbreak) {
  if (mean1.rows() != data1.points() || mean1.cols() != 3)
    throw RuntimeError(
        sprintf_m("The mean of the first sample has %i points but its specimens have %i; load the "
                  "first sample again.",
                  mean1.rows(), data1.points()));
  if (proto.size() < 5)
    throw RuntimeError(
        "The aligned data cannot be saved: no protocol is loaded (load it with LoadProto, then the "
        "first sample).");
  const double n = protocol_value(proto, 5);
  if (!(n >= 0) || n != std::floor(n))
    throw RuntimeError(sprintf_m("The protocol gives %g curves; the number of curves must be a whole number.", n));
  const auto count = static_cast<Eigen::Index>(n);
  if (proto.size() < 5 + 2 * count)
    throw RuntimeError(
        sprintf_m("The protocol names %i curves but holds no type for curve %i.", count, (proto.size() - 5) / 2 + 1));
  if (count > 0 && rbreak.size() < count + 1)
    throw RuntimeError(
        sprintf_m("The curve starts of the first sample cover %i curves, the protocol %i; load the "
                  "first sample again with this protocol.",
                  std::max<Eigen::Index>(rbreak.size() - 1, 0), count));
  const Eigen::Index row_values = 3 * data1.points();
  std::vector<Curve> curves;
  for (Eigen::Index k = 1; k <= count; ++k) {
    const double start = rbreak(k - 1);
    const double end = rbreak(k);
    if (start != std::floor(start) || end != std::floor(end) || start < 0 || end > row_values || end < start)
      throw RuntimeError(
          sprintf_m("Curve %i lies at values %g to %g of a specimen row of %i values; load the first "
                    "sample again with this protocol.",
                    k, start + 1, end, row_values));
    Curve c;
    c.first = static_cast<Eigen::Index>(start);
    c.values = static_cast<Eigen::Index>(end - start);
    c.type = protocol_value(proto, 5 + 2 * k);
    if (c.values % 3 != 0)
      throw RuntimeError(
          sprintf_m("Curve %i holds %i coordinate values, not 3 per point; load the first sample "
                    "again with this protocol.",
                    k, c.values));
    if (c.values < 9)
      throw RuntimeError(
          sprintf_m("Curve %i has %i points; at least 3 are needed to slide its semilandmarks. "
                    "Nothing was written.",
                    k, c.values / 3));
    curves.push_back(c);
  }
  return curves;
}

/// Tells the user, once, which points could not slide.
void report_unslid(const std::vector<std::pair<Eigen::Index, UnslidPoint>>& unslid, UiPort& ui) {
  if (unslid.empty()) return;
  std::string text = sprintf_m(
      "%i semilandmarks were left where they were: their curve has no direction there (two equal consecutive "
      "points).",
      static_cast<double>(unslid.size()));
  const std::size_t shown = std::min<std::size_t>(unslid.size(), 20);
  for (std::size_t i = 0; i < shown; ++i) {
    const auto& [curve, point] = unslid[i];
    if (point.specimen == 0)
      text += sprintf_m("\\nmean, curve %i, point %i (every specimen)", curve, point.point);
    else
      text += sprintf_m("\\nspecimen %i, curve %i, point %i", point.specimen, curve, point.point);
  }
  if (shown < unslid.size()) text += sprintf_m("\\nand %i more", static_cast<double>(unslid.size() - shown));
  ui.console().write(text + "\n");
  ui.message_box(text, "Sliding semilandmarks", MessageMode::non_modal);
}

/// Steps shared by the aligned saves: the slid rows (temp) and the slid sample
/// superimposed again (tmean1, tdata1), in a new plot window.
struct Slid {
  Eigen::MatrixXd temp;
  Superimposition again;
};

Slid slide_and_superimpose(const Sample& data1, const Eigen::RowVectorXd& data1cs, const Eigen::MatrixXd& mean1,
                           const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak, UiPort& ui) {
  require_sample(data1, data1cs, "first", "LoadFile1 or LoadFile2D");
  const std::vector<Curve> curves = protocol_curves(data1, mean1, proto, rbreak);

  Slid slid;
  slid.temp = flat_rows(data1, data1cs);
  // The value 1 after the mean's coordinates lies in no curve.
  const Eigen::RowVectorXd hmean1 = x1y1z1(mean1, 1);
  // Every curve slides against the same mean; nothing is recomputed between curves.
  std::vector<std::pair<Eigen::Index, UnslidPoint>> unslid;
  for (std::size_t k = 0; k < curves.size(); ++k) {
    const Curve& c = curves[k];
    SlidCurve ytemp = d_slm_align(hmean1.segment(c.first, c.values), slid.temp.middleCols(c.first, c.values), c.type);
    slid.temp.middleCols(c.first, c.values) = ytemp.y;
    for (const UnslidPoint& u : ytemp.unslid) unslid.emplace_back(static_cast<Eigen::Index>(k + 1), u);
  }
  report_unslid(unslid, ui);

  const Sample tdata1 = vertxy3D(slid.temp);  // the size column is dropped

  Graphics& graphics = ui.graphics();
  const Handle fgg2 = graphics.new_figure();
  ui.console().echo("fgg2", static_cast<double>(fgg2));
  slid.again = getpproc3(tdata1, &ui.console());
  return slid;
}

void wait_for_the_user(UiPort& ui) {
  const Handle box = ui.message_box(kBoxText, kBoxTitle, MessageMode::modal);
  ui.wait_message_box(box);
}

}  // namespace

std::string saved_file_text(const Eigen::MatrixXd& table) {
  std::string text;
  std::vector<FormatArg> values;
  for (Eigen::Index r = 0; r < table.rows(); ++r) {
    values.clear();
    for (Eigen::Index c = 0; c < table.cols(); ++c) values.emplace_back(table(r, c));
    text += format("%g ", values);
    text += format(" \\n", std::vector<FormatArg>{});
  }
  return text;
}

SaveOutcome save_file1(const Sample& data1, const Eigen::RowVectorXd& data1cs, UiPort& ui) {
  require_sample(data1, data1cs, "first", "LoadFile1 or LoadFile2D");
  return ask_and_write(flat_rows(data1, data1cs), ui);
}

SaveOutcome save_file2d(const Sample& data1, const Eigen::RowVectorXd& data1cs, UiPort& ui) {
  require_sample(data1, data1cs, "first", "LoadFile1 or LoadFile2D");
  return ask_and_write(without_z(flat_rows(data1, data1cs)), ui);
}

SaveOutcome save_file2(const Sample& data2, const Eigen::RowVectorXd& data2cs, UiPort& ui) {
  require_sample(data2, data2cs, "second", "LoadFile2");
  return ask_and_write(flat_rows(data2, data2cs), ui);
}

SaveOutcome save_aligned_file1(const Sample& data1, const Eigen::RowVectorXd& data1cs, const Eigen::MatrixXd& mean1,
                               const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak, UiPort& ui) {
  const Slid slid = slide_and_superimpose(data1, data1cs, mean1, proto, rbreak, ui);
  Graphics& graphics = ui.graphics();
  showshape3D(graphics, Sample(slid.again.mean), sample_style(1).mean);
  showshape3D(graphics, slid.again.aligned, sample_style(1).specimens);
  title(graphics, kPlotTitle);
  wait_for_the_user(ui);
  // The slid rows are written, not the sample superimposed again for the plot.
  return ask_and_write(slid.temp, ui);
}

SaveOutcome save_aligned_file2d(const Sample& data1, const Eigen::RowVectorXd& data1cs, const Eigen::MatrixXd& mean1,
                                const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak, UiPort& ui) {
  const Slid slid = slide_and_superimpose(data1, data1cs, mean1, proto, rbreak, ui);
  const Eigen::MatrixXd& tmean1 = slid.again.mean;
  const Sample& tdata1 = slid.again.aligned;
  Graphics& graphics = ui.graphics();
  Console& console = ui.console();

  showshape3D(graphics, Sample(tmean1), sample_style(1).mean);
  console.echo("ma", static_cast<double>(tmean1.rows()));
  console.echo("na", static_cast<double>(tmean1.cols()));
  console.echo("counta", 1.0);
  for (Eigen::Index i = 0; i < tmean1.rows(); ++i)
    graphics.text(tmean1(i, 0) + 0.01, tmean1(i, 1), tmean1(i, 2), sprintf_m("-%i", i + 1));
  showshape3D(graphics, tdata1, sample_style(1).specimens);
  title(graphics, kPlotTitle);
  campos(graphics, Eigen::Vector3d(0, 0, 10));
  wait_for_the_user(ui);

  // The dialog comes before the table is built; the table and its echoes
  // follow whatever the answer.
  const std::optional<FileChoice> choice = ui.save_file(kFilter, kDialogTitle);
  const Eigen::Index md = tdata1.points();
  const Eigen::Index count = tdata1.count();
  console.echo("md", static_cast<double>(md));
  console.echo("nd", 3.0);
  console.echo("count", static_cast<double>(count));
  Eigen::MatrixXd tempa(count, 2 * md + 1);
  for (Eigen::Index i = 0; i < count; ++i) {
    const auto specimen = tdata1.specimen(i);
    for (Eigen::Index j = 0; j < md; ++j) {
      tempa(i, 2 * j) = specimen(j, 0);
      tempa(i, 2 * j + 1) = specimen(j, 1);
    }
    tempa(i, 2 * md) = data1cs(i);
  }
  console.echo("tempa", tempa);
  console.echo("data1cs", Eigen::MatrixXd(data1cs));
  if (!choice) return {};
  write_table(*choice, tempa, ui);
  return {choice->name};
}

}  // namespace velmora
