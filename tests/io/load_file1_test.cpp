#include "io/load_file1.h"

#include <gtest/gtest.h>

#include "io/formats/landmark_file.h"
#include "io/prepare_sample.h"
#include "support/error_of.h"
#include "support/io_test_util.h"
#include "runtime/error.h"
#include "support/study_util.h"

namespace velmora {
namespace {

using testing::error_of;

using testing::column;
using testing::DialogPort;
using testing::Points;
using testing::TempFolder;

Eigen::RowVectorXd flat(const Points& points) {
  Eigen::RowVectorXd r(3 * points.size());
  for (std::size_t k = 0; k < points.size(); ++k) r.segment<3>(3 * k) = points[k].transpose();
  return r;
}

Eigen::RowVectorXd row(std::initializer_list<double> v) {
  Eigen::RowVectorXd r(v.size());
  int i = 0;
  for (double x : v) r(i++) = x;
  return r;
}

const Eigen::Vector3d M(-999, 0, 0);  // a curve marker

TEST(CutSpecimens, NoCurvesKeepsEveryPointButTheLast) {
  CaptureConsole console;
  const Points pts = {{0, 0, 0}, {4, 0, 0}, {0, 3, 0}, {7, 7, 7}};
  const CutSample c = cut_specimens({flat(pts)}, column({0, 0, 0, 0, 0, -999}), console, true);
  EXPECT_EQ(c.rbreak, row({9}));
  ASSERT_EQ(c.centred.points(), 3);
  // Centroid (4/3, 1, 0); size by hand: sqrt((16+1)/9*... ) computed directly.
  const Eigen::Vector3d centroid(4.0 / 3, 1, 0);
  double ss = 0;
  for (int k = 0; k < 3; ++k) ss += (pts[k] - centroid).squaredNorm();
  EXPECT_NEAR(c.sizes(0), std::sqrt(ss), 1e-14);
  EXPECT_NEAR((c.centred.specimen(0).row(1) - (pts[1] - centroid).transpose()).norm(), 0, 1e-14);
  ASSERT_EQ(console.echoes().size(), 1u);  // only the complete rbreak
}

TEST(CutSpecimens, ListStartingWithAMarkerHasNoFixedLandmarks) {
  CaptureConsole console;
  const Points pts = {M, {0, 0, 0}, {1, 0, 0}, {2.5, 0, 0}, {3, 0, 0}, {99, 99, 99}};
  const CutSample c = cut_specimens({flat(pts)}, column({0, 0, 0, 0, 1, -999, 3, 3}), console, true);
  EXPECT_EQ(c.rbreak, row({0, 9}));
  // Resampled evenly: x = 0, 1.5, 3, centred at 1.5.
  EXPECT_NEAR(c.centred.specimen(0)(0, 0), -1.5, 1e-14);
  EXPECT_NEAR(c.centred.specimen(0)(1, 0), 0, 1e-14);
  EXPECT_NEAR(c.centred.specimen(0)(2, 0), 1.5, 1e-14);
  // rbreak after the curve, then complete.
  ASSERT_EQ(console.echoes().size(), 2u);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(console.echoes()[0].second), Eigen::MatrixXd::Zero(1, 1));
}

TEST(CutSpecimens, ACoordinateEqualToTheCodeIsAMarker) {
  CaptureConsole console;
  // Code 5: the third point (x = 5) cuts the list; the marker written later is
  // then an ordinary point of the curve.
  const Points pts = {{0, 0, 0}, {1, 1, 1}, {5, 1, 1}, {2, 0, 0}, {3, 0, 0}, {5, 9, 9}, {4, 0, 0}, {8, 8, 8}};
  const CutSample c = cut_specimens({flat(pts)}, column({0, 0, 0, 0, 1, 5, 3, 2}), console, false);
  EXPECT_EQ(c.rbreak, row({6, 12}));
  EXPECT_TRUE(console.echoes().size() == 1u);  // LoadFile2D form: only the complete rbreak
}

TEST(CutSpecimens, RulerScalesRemovesItsPointsAndShiftsRbreak) {
  CaptureConsole console;
  // Ruler landmarks 3 and 4, 2 units apart in the file, length 10: scale 5.
  const Points pts = {{0, 0, 0}, {0, 1, 0}, {1, 1, 1}, {1, 1, 3}, M, {0, 0, 2}, {1, 0, 2}, {2, 0, 2}, {6, 6, 6}};
  const CutSample c = cut_specimens({flat(pts)}, column({1, 3, 4, 10, 1, -999, 3, 3}), console, true);
  EXPECT_EQ(c.rbreak, row({6, 15}));  // 12 and 21 before the ruler points went
  ASSERT_EQ(c.centred.points(), 5);
  const Eigen::MatrixXd kept = (Eigen::MatrixXd(5, 3) << 0, 0, 0, 0, 1, 0, 0, 0, 2, 1, 0, 2, 2, 0, 2).finished() * 5;
  const Eigen::MatrixXd centred = kept.rowwise() - kept.colwise().mean();
  EXPECT_NEAR((c.centred.specimen(0) - centred).norm(), 0, 1e-12);
  EXPECT_NEAR(c.sizes(0), std::sqrt(centred.array().square().sum()), 1e-12);
}

TEST(CutSpecimens, CurveStartsAreWrittenOverTheKeptRow) {
  // Kept from an earlier load with three curves; this protocol has one curve and
  // a ruler, so entries 1 and 2 are new and 3 and 4 stay, all moved by the ruler.
  const Eigen::RowVectorXd kept = row({100, 200, 300, 400});
  const Points pts = {{0, 0, 0}, {0, 1, 0}, {1, 1, 1}, {1, 1, 3}, M, {0, 0, 2}, {1, 0, 2}, {2, 0, 2}, {6, 6, 6}};
  const Eigen::MatrixXd proto = column({1, 3, 4, 10, 1, -999, 3, 3});
  CaptureConsole console;
  const CutSample c = cut_specimens({flat(pts)}, proto, console, true, kept);
  ASSERT_EQ(console.echoes().size(), 2u);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(console.echoes()[0].second), Eigen::MatrixXd(row({12, 200, 300, 400})));
  EXPECT_EQ(std::get<Eigen::MatrixXd>(console.echoes()[1].second), Eigen::MatrixXd(row({12, 21, 300, 400})));
  EXPECT_EQ(c.rbreak, row({6, 15, 294, 394}));

  // A shorter kept row grows as the entries are set; the 2D form echoes only the
  // complete row.
  CaptureConsole console2d;
  const CutSample d = cut_specimens({flat(pts)}, column({0, 0, 0, 0, 1, -999, 3, 3}), console2d, false, row({7}));
  ASSERT_EQ(console2d.echoes().size(), 1u);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(console2d.echoes()[0].second), Eigen::MatrixXd(row({12, 21})));
  EXPECT_EQ(d.rbreak, row({12, 21}));
}

TEST(CutSpecimens, BadSpecimensAreNamed) {
  CaptureConsole console;
  const Eigen::MatrixXd one_curve = column({0, 0, 0, 0, 1, -999, 3, 3});
  const Eigen::MatrixXd two_curves = column({0, 0, 0, 0, 2, -999, 3, 3, 1, 4});
  const Points good = {{0, 0, 0}, {1, 0, 0}, M, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {9, 9, 9}};
  struct Case {
    std::string name;
    std::vector<Eigen::RowVectorXd> y;
    Eigen::MatrixXd proto;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"too few markers",
       {flat(good), flat(good)},
       two_curves,
       "Specimen 1 has 1 curve markers (points with x = -999); the protocol has 2 curves."},
      {"no points",
       {flat({{0, 0, 0}, {1, 0, 0}, M, {0, 1, 0}, {1, 1, 0}, M, {1, 1, 1}})},
       column({0, 0, 0, 0, 2, -999, 3, 3, 3, 3}),
       "Specimen 1, curve 2: no digitised points"},
      {"zero length",
       {flat(good), flat({{0, 0, 0}, {1, 0, 0}, M, {1, 1, 1}, {1, 1, 1}, {9, 9, 9}})},
       one_curve,
       "Specimen 2, curve 1: "},
      {"fixed counts differ",
       {flat(good), flat({{0, 0, 0}, M, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}})},
       one_curve,
       "Specimen 2 has 1 fixed landmarks (points before the first curve marker); specimen 1 has 2."},
      {"ruler coincides",
       {flat(good), flat({{1, 0, 0}, {1, 0, 0}, M, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}})},
       column({1, 1, 2, 10, 1, -999, 3, 3}),
       "Specimen 2: the ruler landmarks 1 and 2 coincide"},
      {"ruler on a curve",
       {flat(good)},
       column({1, 1, 3, 10, 1, -999, 3, 3}),
       "Specimen 1: the ruler landmarks 1 and 3 must be among the fixed landmarks before the first curve"},
      {"partial point", {flat(good).head(20)}, one_curve, "Specimen 1 has 20 coordinate values"},
      {"no protocol", {flat(good)}, Eigen::MatrixXd(0, 0), "No protocol is loaded"},
      {"ruler length not a number",
       {flat(good)},
       column({1, 1, 2, std::nan(""), 1, -999, 3, 3}),
       "The protocol's ruler length (value 4) is NaN; it must be a positive number."},
      {"short protocol",
       {flat(good)},
       column({0, 0, 0, 0, 2, -999, 3, 3, 1}),
       "value 10 (the number of points of curve 2) is missing"},
      // Coordinates so large that squared distances overflow: said so, not taken
      // for coinciding points.
      {"ruler overflows",
       {flat({{-1e200, 0, 0}, {1e200, 0, 0}, M, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}})},
       column({1, 1, 2, 10, 1, -999, 3, 3}),
       "Specimen 1: the coordinates are too large: the square of the distance between the ruler landmarks 1 and 2 "
       "overflows"},
      {"size overflows",
       {flat(good), flat({{1e200, 0, 0}, {0, 1e200, 0}, M, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}})},
       one_curve,
       "Specimen 2: the coordinates are too large: the squares in its centroid size overflow"},
      {"curve overflows",
       {flat({{0, 0, 0}, {1, 0, 0}, M, {0, 1e200, 0}, {1, -1e200, 0}, {9, 9, 9}})},
       one_curve,
       "Specimen 1, curve 1: the curve's coordinates are too large"},
      {"fixed landmark not finite",
       {flat({{0, 0, 0}, {1, std::nan(""), 0}, M, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}})},
       one_curve,
       "Specimen 1: fixed landmark 2 has a coordinate that is not a finite number."},
  };
  for (const auto& c : cases) {
    const std::string message = error_of([&] { cut_specimens(c.y, c.proto, console, true); });
    EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
  }
}

TEST(LoadFirstSample, OpensAWindowDrawsAndLooksFromAboveIn2D) {
  TempFolder dir;
  const Points a = {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}, M, {0, 2, 0}, {1, 2.5, 0}, {2, 2, 0}, {9, 9, 0}};
  const Points b = {{0, 0, 0}, {2, 0.5, 0}, {0, 1.2, 0}, M, {0, 2, 0}, {1, 3, 0}, {2, 2, 0}, {9, 9, 0}};
  const auto file = dir.write("s2.txt", testing::tps_specimen(a, 2) + testing::tps_specimen(b, 2));
  DialogPort port;
  port.answer({file.string()});
  const Eigen::MatrixXd proto = column({0, 0, 0, 0, 1, -999, 3, 4});
  const auto before = port.graphics().figures().size();
  const auto s = load_first_sample(proto, port, 2);
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(port.dialogs.at(0).title, "Specify 2D input file to load");
  EXPECT_EQ(s->data1.count(), 2);
  EXPECT_EQ(s->data1.points(), 7);
  EXPECT_EQ(s->rbreak, row({9, 21}));
  EXPECT_EQ(port.graphics().figures().size(), before + 1);
  const Handle axes = port.graphics().gca();
  ASSERT_TRUE(port.graphics().object(axes).camera_position.has_value());
  EXPECT_EQ(*port.graphics().object(axes).camera_position, Eigen::Vector3d(0, 0, 10));
  EXPECT_EQ(port.graphics().object(axes).children.size(), 3u);  // the mean and two specimens
  std::vector<std::string> names = port.echo_names();
  EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()), (std::vector<std::string>{"rbreak", "fgg2"}));
  for (Eigen::Index i = 0; i < 2; ++i) EXPECT_NEAR(s->data1.specimen(i).col(2).norm(), 0, 0);

  port.answer({"cancel"});
  EXPECT_FALSE(load_first_sample(proto, port, 3).has_value());
  // A failure opens no window.
  port.answer({file.string()});
  EXPECT_THROW(load_first_sample(column({0, 0, 0, 0, 2, -999, 3, 4, 3, 4}), port, 2), RuntimeError);
  EXPECT_EQ(port.graphics().figures().size(), before + 1);
  // No protocol: no dialog at all.
  const auto dialogs = port.dialogs.size();
  EXPECT_THROW(load_first_sample(Eigen::MatrixXd(0, 0), port, 3), RuntimeError);
  EXPECT_EQ(port.dialogs.size(), dialogs);
}

// A TPS file as the digitising tools write it: 2D landmarks under LM=, each
// curve a POINTS= block under CURVES=, an ID= and perhaps a SCALE=.
struct ToolSpecimen {
  std::vector<Eigen::Vector2d> landmarks;
  std::vector<std::vector<Eigen::Vector2d>> curves;
  std::string id, scale;  // scale: the SCALE= text, none when empty
};

std::string tool_tps(const std::vector<ToolSpecimen>& specimens, const std::string& curves_key = "CURVES") {
  std::string out;
  const auto points = [&out](const std::vector<Eigen::Vector2d>& p) {
    for (const auto& q : p) out += testing::number(q.x()) + " " + testing::number(q.y()) + "\n";
  };
  for (const ToolSpecimen& s : specimens) {
    out += "LM=" + std::to_string(s.landmarks.size()) + "\n";
    points(s.landmarks);
    if (!s.curves.empty()) out += curves_key + "=" + std::to_string(s.curves.size()) + "\n";
    for (const auto& c : s.curves) {
      out += "POINTS=" + std::to_string(c.size()) + "\n";
      points(c);
    }
    out += "IMAGE=" + s.id + ".jpg\nID=" + s.id + "\n";
    if (!s.scale.empty()) out += "SCALE=" + s.scale + "\n";
  }
  return out;
}

// The same specimens in our own form: the landmarks, each curve after a marker,
// and a last marker that ends the list.
std::string own_form(const std::vector<ToolSpecimen>& specimens) {
  std::string out;
  for (const ToolSpecimen& s : specimens) {
    Points p;
    for (const auto& q : s.landmarks) p.emplace_back(q.x(), q.y(), 0);
    for (const auto& c : s.curves) {
      p.push_back(M);
      for (const auto& q : c) p.emplace_back(q.x(), q.y(), 0);
    }
    p.push_back(M);
    out += testing::tps_specimen(p, 2, s.id);
  }
  return out;
}

TEST(LoadFirstSample, TpsFilesOfTheDigitisingToolsKeepEveryPointAndTheirCurves) {
  using V = Eigen::Vector2d;
  const std::vector<V> arc = {V(0, 2), V(0.4, 2.6), V(1, 3), V(1.7, 2.8), V(2, 2.1)};
  const std::vector<V> line = {V(3, 0), V(3.2, 1), V(3.1, 2.2)};
  const ToolSpecimen a{{V(0, 0), V(2, 0), V(0, 1), V(2, 1)}, {arc, line}, "A", ""};
  ToolSpecimen b{{V(0, 0.1), V(2.2, 0), V(0, 1.3), V(2, 1.2)}, {arc, line}, "B", ""};
  b.curves[0].push_back(V(2.1, 1.5));  // the curves differ in their clicks
  ToolSpecimen c = b;
  c.id = "C";
  c.landmarks[3] = V(2.5, 1.1);
  const ToolSpecimen empty{{}, {}, "E", ""};
  ToolSpecimen a2 = a;
  a2.id = "A2";
  a2.landmarks[1] = V(2.3, -0.2);
  const auto flat = [](const ToolSpecimen& s) {  // the curve points as more landmarks
    ToolSpecimen f{s.landmarks, {}, s.id, ""};
    for (const auto& curve : s.curves) f.landmarks.insert(f.landmarks.end(), curve.begin(), curve.end());
    return f;
  };
  const ToolSpecimen flat_a = flat(a), flat_a2 = flat(a2);
  const Eigen::MatrixXd no_curves = column({0, 0, 0, 0, 0, -999});
  const Eigen::MatrixXd two_curves = column({0, 0, 0, 0, 2, -999, 0, 6, 0, 4});
  const auto with_scale = [](std::vector<ToolSpecimen> s, std::vector<std::string> scales) {
    for (std::size_t i = 0; i < s.size(); ++i) s[i].scale = scales[i];
    return s;
  };

  TempFolder dir;
  struct Loaded {
    std::optional<FirstSample> sample;
    std::string error, console;
  };
  const auto load = [&dir](const std::string& text, const Eigen::MatrixXd& proto) {
    DialogPort port;
    port.answer({dir.write("f.tps", text).string()});
    Loaded out;
    out.error = error_of([&] { out.sample = load_first_sample(proto, port, 2); });
    out.console = port.console_text();
    return out;
  };

  struct Case {
    std::string name, file;
    Eigen::MatrixXd proto;
    std::string same_as;      // the file that loads to the same sample, "" for a refusal
    std::string said;         // on the console, or the refusal
    Eigen::Index points = 0;  // points a specimen in data1
    std::size_t specimens = 0;
  };
  const std::vector<Case> cases = {
      {"curves are the protocol's curves, cut and resampled as our own clicks", tool_tps({a, b, c}), two_curves,
       own_form({a, b, c}), "its 2 curves (CURVES=) are the protocol's curves", 4 + 6 + 4, 3},
      {"OUTLINES= blocks are curves", tool_tps({a, b, c}, "OUTLINES"), two_curves, own_form({a, b, c}), "", 14, 3},
      {"no curves in the protocol: the curve points follow the landmarks", tool_tps({a, a2}), no_curves,
       tool_tps({flat_a, flat_a2}), "the points of its curves (CURVES=) after the landmarks", 12, 2},
      {"no curves in the protocol, curves of other lengths", tool_tps({a, c}), no_curves, "",
       "f.tps: specimen 2 (C) has 13 points where 1 of the 2 specimens have 12", 0, 0},
      {"no markers: the last landmark is kept", tool_tps({{a.landmarks, {}, "A", ""}, {b.landmarks, {}, "B", ""}}),
       no_curves, own_form({{a.landmarks, {}, "A", ""}, {b.landmarks, {}, "B", ""}}), "every point is a fixed landmark",
       4, 2},
      {"LM=0 specimens are left out", tool_tps({a, empty, b}), two_curves, own_form({a, b}),
       "1 specimen(s) have no points (LM=0, not digitised) and are left out: specimen 2 (E).", 14, 2},
      {"a curve count other than the protocol's", tool_tps({a, b}), column({0, 0, 0, 0, 3, -999, 0, 6, 0, 4, 0, 4}), "",
       "f.tps has 2 curves a specimen (CURVES= blocks); the protocol has 3.", 0, 0},
      {"no curves for a curve protocol", tool_tps({{a.landmarks, {}, "A", ""}}), two_curves, "",
       "f.tps holds no curves: no CURVES= blocks and no curve markers (points with x = -999); the protocol has 2 "
       "curves.",
       0, 0},
      {"curve counts that differ", tool_tps({a, b, {a.landmarks, {arc}, "D", ""}}), two_curves, "",
       "f.tps: specimen 3 (D) has 1 curves (CURVES= blocks) where 2 of the 3 specimens have 2", 0, 0},
      {"landmark counts that differ", tool_tps({a, b, {{V(0, 0)}, {arc, line}, "D", ""}}), two_curves, "",
       "f.tps: specimen 3 (D) has 1 landmarks where 2 of the 3 specimens have 4", 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const Loaded got = load(k.file, k.proto);
    if (k.points == 0 && k.specimens == 0) {
      EXPECT_NE(got.error.find(k.said), std::string::npos) << got.error;
      if (k.same_as.empty()) continue;
    }
    ASSERT_TRUE(got.sample) << got.error;
    EXPECT_NE(got.console.find(k.said), std::string::npos) << got.console;
    const Loaded same = load(k.same_as, k.proto);
    ASSERT_TRUE(same.sample) << same.error;
    EXPECT_EQ(got.sample->data1.points(), k.points);
    EXPECT_EQ(got.sample->data1.count(), static_cast<Eigen::Index>(k.specimens));
    EXPECT_EQ(got.sample->data1, same.sample->data1);
    EXPECT_EQ(got.sample->data1cs, same.sample->data1cs);
    EXPECT_EQ(got.sample->rbreak, same.sample->rbreak);
    EXPECT_EQ(got.sample->names, same.sample->names);
    ASSERT_EQ(got.sample->curves1.size(), same.sample->curves1.size());
    for (std::size_t i = 0; i < got.sample->curves1.size(); ++i)
      EXPECT_EQ(got.sample->curves1[i], same.sample->curves1[i]);
  }

  // SCALE=: every specimen's applied; when one lacks it none is, and it is named.
  const Loaded plain = load(tool_tps({a, b}), two_curves);
  const Loaded scaled = load(tool_tps(with_scale({a, b}, {"0.5", "2"})), two_curves);
  const Loaded partly = load(tool_tps(with_scale({a, b, c}, {"0.5", "", "2"})), two_curves);
  ASSERT_TRUE(plain.sample && scaled.sample && partly.sample) << scaled.error << partly.error;
  EXPECT_NEAR(scaled.sample->data1cs(0), 0.5 * plain.sample->data1cs(0), 1e-12);
  EXPECT_NEAR(scaled.sample->data1cs(1), 2 * plain.sample->data1cs(1), 1e-12);
  EXPECT_EQ(partly.sample->data1cs(0), plain.sample->data1cs(0));
  EXPECT_NE(partly.console.find("f.tps: 2 of 3 specimens have a SCALE=; without one: specimen 2 (B). No specimen is "
                                "scaled"),
            std::string::npos)
      << partly.console;
}

// Several files picked at once make one sample only when each holds one specimen.
TEST(AddPickedFiles, OneSpecimenAFileJoinsOthersAreRefusedByName) {
  TempFolder dir;
  dir.write("a.pts", "Version 1.0\n2\nS0 1 2 3\nS1 4 5 6\n");
  dir.write("b.fcsv", "# columns = id,x,y,z\n0,7,8,9\n1,1,1,1\n");
  dir.write("c.tps", "LM3=2\n1 2 3\n4 5 6\n");
  dir.write("d.pts", "2\nS0 1 2\nS1 4 5\n");
  struct Case {
    std::string first;
    LandmarkFormat format;
    std::vector<std::string> more;
    std::string refusal;  // empty: the specimens of every file, in order
  };
  const std::vector<Case> cases = {
      {"a.pts", LandmarkFormat::idav_pts, {"b.fcsv"}, ""},
      {"c.tps", LandmarkFormat::tps, {"a.pts"}, "c.tps is a TPS file, which holds a whole sample: 2 files make one"},
      {"a.pts", LandmarkFormat::idav_pts, {"c.tps"}, "c.tps is a TPS file where a.pts is an IDAV point file"},
      {"a.pts", LandmarkFormat::idav_pts, {"d.pts"}, "d.pts holds 2D points and a.pts 3D points"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first + " + " + c.more.front());
    CaptureConsole console;
    FileChoice choice{c.first, dir.path()};
    choice.more = c.more;
    Specimens s = read_landmark_file(dir.path() / c.first, std::nullopt).specimens;
    const std::string e = error_of([&] { add_picked_files(s, choice, c.format, false, console); });
    if (!c.refusal.empty()) {
      EXPECT_NE(e.find(c.refusal), std::string::npos) << e;
      continue;
    }
    EXPECT_EQ(e, "(no error)");
    ASSERT_EQ(s.specimens.size(), 2u);
    EXPECT_EQ(s.specimens[1].name, "b");
    EXPECT_EQ(s.specimens[1].points.row(0), Eigen::RowVector3d(7, 8, 9));
  }
}

// A protocol of long curves asks for more memory than any machine has: the load
// is refused with the figure before anything is allocated.
TEST(CutSpecimens, ALoadTooLargeForTheMachineIsRefusedBeforeAllocating) {
  CaptureConsole console;
  const Points pts = {{0, 0, 0}, M, {0, 0, 0}, {1, 0, 0}, M, {0, 1, 0}, {1, 1, 0}, M, {0, 0, 1}, {1, 0, 1}, {9, 9, 9}};
  const std::vector<Eigen::RowVectorXd> y(1000, flat(pts));
  const std::string e = error_of([&] {
    cut_specimens(y, column({0, 0, 0, 0, 3, -999, 3, 1e7, 3, 1e7, 3, 1e7}), console, false);
  });
  EXPECT_EQ(e.rfind("Loading 1000 specimens of about 30000014 points each needs about 2.6 TB of memory; this "
                    "machine has ",
                    0),
            0u)
      << e;
}

}  // namespace
}  // namespace velmora
