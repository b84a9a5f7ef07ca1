// The five comparison actions through the headless UI port: texts, titles,
// echoes, pointer, results, bad input, cancel and reproducibility.
#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>

#include <cmath>
#include <regex>

#include "geometry/getpdistance3.h"
#include "geometry/getpproc3.h"
#include "geometry/getpprocon3.h"
#include "geometry/vertxy3D.h"
#include "geometry/x1y1z1.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/headless/headless_port.h"
#include "runtime/random.h"
#include "stats/bootf.h"
#include "stats/getdisparity.h"
#include "stats/goodallf.h"
#include "stats/permutef.h"
#include "stats/permutevariance.h"
#include "stats/resampling_engine.h"
#include "support/sample_factory.h"

namespace velmora {
namespace {

using testing::make_study;
using testing::Study;

TwoSamples two(const Study& s) { return {s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs}; }

using Action = void (*)(const TwoSamples&, UiPort&);

std::vector<const Event*> of_kind(const HeadlessPort& ui, const std::string& kind) {
  std::vector<const Event*> out;
  for (const Event& e : ui.events())
    if (e.kind == kind) out.push_back(&e);
  return out;
}

std::string kinds(const HeadlessPort& ui) {
  std::string out;
  for (const Event& e : ui.events()) out += e.kind + (e.kind == "pointer" ? ":" + e.text("value") : "") + " ";
  return out;
}

TEST(GoodallF, DegreesOfFreedomTextAndResult) {
  const Study s = make_study(30, 10, 12, 0.05, 0.05, 1);
  HeadlessPort ui;
  ui.keep_events();
  goodall_f_action(two(s), ui);
  const auto boxes = of_kind(ui, "msgbox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]->text("title"), "Results of Goodall F-Test");
  const std::string text = boxes[0]->text("text");
  EXPECT_TRUE(std::regex_match(text, std::regex("Between Group Distance 0\\.\\d{5}  F score= \\d+\\.\\d{4},   "
                                                "df1=83\\.00 ,   df2=1660\\.00,  p value=.*")))
      << text;
  const auto echoes = of_kind(ui, "echo");
  ASSERT_EQ(echoes.size(), 1u);
  EXPECT_EQ(echoes[0]->text("name"), "h");
  const auto results = of_kind(ui, "result");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0]->number("df1"), 83);
  EXPECT_EQ(results[0]->number("df2"), 1660);
  EXPECT_GT(results[0]->number("statistic"), 0);
  EXPECT_GE(results[0]->number("p"), 0);
  EXPECT_LE(results[0]->number("p"), 1);
  EXPECT_TRUE(of_kind(ui, "pointer").empty());
}

// df1 = 3p - 7 from the first sample's point count (2p - 4 for a flat study).
TEST(GoodallF, DegreesOfFreedomForFewPoints) {
  struct Case {
    int points, n1, n2;
    const char* df;
    bool nan_p;
    bool flat = false;
  };
  for (const Case& c :
       {Case{3, 4, 5, "df1=2.00 ,   df2=14.00,", false}, Case{10, 3, 3, "df1=23.00 ,   df2=92.00,", false},
        Case{10, 3, 3, "df1=16.00 ,   df2=64.00,", false, true},
        Case{5, 4, 5, "df1=6.00 ,   df2=42.00,", false, true}}) {
    const Study s = c.flat ? testing::make_flat_study(c.points, c.n1, c.n2, 0.05, 0.2, 20 + c.points)
                           : make_study(c.points, c.n1, c.n2, 0.05, 0.2, 20 + c.points);
    HeadlessPort ui;
    ui.keep_events();
    goodall_f_action(two(s), ui);
    const std::string text = of_kind(ui, "msgbox")[0]->text("text");
    EXPECT_NE(text.find(c.df), std::string::npos) << text;
    EXPECT_EQ(text.ends_with("p value=NaN"), c.nan_p) << text;
  }
}

TEST(GoodallF, IdenticalSamplesGiveRoundingLevelFAndPValueOne) {
  Study s = make_study(10, 6, 6, 0.05, 0, 2);
  s.data2 = s.data1;
  s.mean2 = s.mean1;
  HeadlessPort ui;
  ui.keep_events();
  goodall_f_action(two(s), ui);
  const std::string text = of_kind(ui, "msgbox")[0]->text("text");
  EXPECT_NE(text.find("Between Group Distance 0.00000  F score= 0.0000,   df1=23.00 ,   df2=230.00,  p value=  1"),
            std::string::npos)
      << text;
  EXPECT_LT(of_kind(ui, "result")[0]->number("statistic"), 1e-20);
}

// Samples that leave a test nothing to measure are refused, with what each
// needs, before anything is shown: too few specimens (a sample of one has no
// variance, 1 + 1 no degree of freedom, 2 + 1 bootstrap groups of one specimen
// repeated), 2 points in space (df1 = -1) and specimens of one shape (an F of
// rounding noise).
TEST(ComparisonActions, RefusesSamplesThatLeaveNothingToMeasure) {
  const Study one_each = make_study(10, 1, 1, 0.05, 0.1, 3);
  const Study one_first = make_study(10, 1, 4, 0.05, 0.1, 12);
  const Study two_one = make_study(10, 2, 1, 0.05, 0.1, 14);
  const Study two_points = make_study(2, 4, 5, 0.05, 0.2, 22);
  const Study one_shape = make_study(10, 5, 5, 0, 0, 15);
  struct Case {
    const char* name;
    Action action;
    const Study* study;
    const char* message;
  };
  const Case cases[] = {
      {"GoodallF", goodall_f_action, &one_each, "GoodallF needs at least 3 specimens in all (the samples hold 1 and 1)"},
      {"PermuteF", permute_f_action, &one_each, "PermuteF needs at least 3 specimens in all"},
      {"BootF", boot_f_action, &two_one, "BootF needs at least 3 specimens in each sample (the samples hold 2 and 1)"},
      {"GetDisparity", disparity_action, &one_first, "GetDisparity needs at least 2 specimens in each sample"},
      {"PermuteVariance", permute_variance_action, &one_first, "PermuteVariance needs at least 2 specimens in each sample"},
      {"GoodallF", goodall_f_action, &two_points, "GoodallF needs at least 3 points per specimen; these have 2"},
      {"BootF", boot_f_action, &two_points, "needs at least 3 points per specimen"},
      {"GoodallF", goodall_f_action, &one_shape, "there is no variation to test against"},
      {"PermuteF", permute_f_action, &one_shape, "there is no variation to test against"},
      {"PermuteVariance", permute_variance_action, &one_shape, "there is no variation to test against"},
  };
  for (const Case& c : cases) {
    HeadlessPort ui;
    ui.keep_events();
    try {
      c.action(two(*c.study), ui);
      ADD_FAILURE() << c.name << ": " << c.message;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ui.events().empty()) << c.name << ": " << kinds(ui);
  }
  // The same samples of one shape have a variance, and it is zero.
  HeadlessPort ui;
  ui.keep_events();
  disparity_action(two(one_shape), ui);
  EXPECT_LT(of_kind(ui, "result")[0]->number("variance1"), 1e-25);
  // 2 + 1 is enough for the F tests that draw no repeats.
  for (Action a : {goodall_f_action, permute_f_action}) EXPECT_NO_THROW(a(two(two_one), ui));
}

// Missing or mismatched samples and bad BootBox values stop every action with
// a message that says what to do, before any box, pointer or result.
TEST(ComparisonActions, BadInputIsRefusedBeforeAnythingIsShown) {
  const Study s = make_study(10, 4, 4, 0.05, 0.1, 4);
  const Study other = make_study(11, 4, 4, 0.05, 0.1, 5);
  const Sample empty;
  const Eigen::MatrixXd none;
  const Eigen::RowVectorXd no_sizes;
  const TwoSamples nothing{empty, none, no_sizes, empty, none, no_sizes};
  const TwoSamples first_only{s.data1, s.mean1, s.data1cs, empty, none, no_sizes};
  const TwoSamples mismatched{s.data1, s.mean1, s.data1cs, other.data2, other.mean2, other.data2cs};
  struct Case {
    const char* name;
    Action run;
  };
  const Case actions[] = {{"GoodallF", goodall_f_action},
                          {"BootF", boot_f_action},
                          {"PermuteF", permute_f_action},
                          {"GetDisparity", disparity_action},
                          {"PermuteVariance", permute_variance_action}};
  struct Input {
    const TwoSamples* samples;
    double boot;
    const char* expected;
  };
  const Input inputs[] = {
      {&nothing, 1,
       "needs both samples: load the first sample (LoadFile1 or LoadFile2D), then the second (LoadFile2)."},
      {&first_only, 1, "needs the second sample: load it with LoadFile2."},
      {&mismatched, 1, ": the first sample has 10 points per specimen and the second 11; load a second sample"},
  };
  for (const Case& a : actions) {
    for (const Input& in : inputs) {
      HeadlessPort ui;
      ui.keep_events();
      ui.set_control_value("BootBox", in.boot);
      ui.clear_events();
      try {
        a.run(*in.samples, ui);
        ADD_FAILURE() << a.name;
      } catch (const RuntimeError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(a.name, 0), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find(in.expected), std::string::npos) << e.what();
      }
      EXPECT_TRUE(ui.events().empty()) << a.name << ": " << kinds(ui);
    }
  }
  for (Action a : {boot_f_action, permute_f_action, permute_variance_action}) {
    for (double value : {0.0, -1.0, 1.5, std::nan("")}) {
      HeadlessPort ui;
      ui.keep_events();
      ui.set_control_value("BootBox", value);
      ui.clear_events();
      try {
        a(two(s), ui);
        ADD_FAILURE() << value;
      } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("BootBox must be a whole number of at least 1"), std::string::npos)
            << e.what();
      }
      EXPECT_TRUE(ui.events().empty()) << kinds(ui);
    }
    // More sets than one run can keep: refused before anything happens.
    HeadlessPort ui;
    ui.keep_events();
    ui.set_control_value("BootBox", 317);
    ui.clear_events();
    try {
      a(two(s), ui);
      ADD_FAILURE() << "317";
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find("choose at most 316"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ui.events().empty()) << kinds(ui);
  }
}

// A failure after the pointer went to "watch" still puts it back, and shows
// nothing.
TEST(ResampledTests, FailureNamesTheSpecimenAndResetsThePointer) {
  Study s = make_study(8, 4, 4, 0.05, 0.1, 13);
  s.data1.specimen(1).setConstant(0.25);
  for (Action a : {boot_f_action, permute_f_action}) {
    HeadlessPort ui;
    ui.keep_events();
    try {
      a(two(s), ui);
      ADD_FAILURE();
    } catch (const RuntimeError& e) {
      EXPECT_STREQ(e.what(), "specimen 2 of the first sample has zero centroid size (all its points coincide).");
    }
    EXPECT_EQ(kinds(ui), "pointer:watch pointer:arrow ");
  }
}

TEST(BootF, TextEchoesPointerAndResult) {
  const Study s = make_study(12, 6, 7, 0.05, 0.1, 6);
  HeadlessPort ui;
  ui.keep_events();
  ui.set_seed(5);
  boot_f_action(two(s), ui);
  EXPECT_EQ(kinds(ui), "pointer:watch pointer:arrow msgbox echo echo result ");
  const Event& box = *of_kind(ui, "msgbox")[0];
  EXPECT_EQ(box.text("title"), "Results of Bootstrap F-Test");
  EXPECT_TRUE(std::regex_match(
      box.text("text"), std::regex("Between Group Distance 0\\.\\d{5},  F score= \\d+\\.\\d{4},  Bootstrap Range "
                                   "of F values \\(5 percent\\)= \\d+\\.\\d{4} \\(1 percent\\) \\d+\\.\\d{4} "
                                   "Using  100 Bootstrap Sets")))
      << box.text("text");
  const auto echoes = of_kind(ui, "echo");
  EXPECT_EQ(echoes[0]->text("name"), "ans");
  const auto& table = std::get<Eigen::MatrixXd>(*echoes[0]->field("value"));
  ASSERT_EQ(table.rows(), 10);
  ASSERT_EQ(table.cols(), 4);
  for (int i = 0; i < 10; ++i) {
    EXPECT_NEAR(table(i, 0), table(i, 1), 1e-15);  // bdb^2 and bdbc agree
    EXPECT_GT(table(i, 2), 0);
    EXPECT_GT(table(i, 3), 0);
  }
  EXPECT_EQ(echoes[1]->text("name"), "bmean1");
  const auto& bmean1 = std::get<Eigen::MatrixXd>(*echoes[1]->field("value"));
  EXPECT_EQ(bmean1.rows(), 12);
  EXPECT_NEAR(bmean1.squaredNorm(), 1, 1e-12);
  const Event& result = *of_kind(ui, "result")[0];
  EXPECT_EQ(result.text("name"), "BootF");
  EXPECT_EQ(result.number("sets"), 100);
  EXPECT_EQ(result.number("seed"), 5);
  EXPECT_LE(result.number("cutoff5"), result.number("cutoff1"));
  EXPECT_EQ(ui.pointer(), "arrow");
}

TEST(ResampledTests, SeedFixesTheTextsWhateverTheThreadCount) {
  const Study s = make_study(15, 7, 8, 0.05, 0.05, 7);
  auto texts = [&](std::uint64_t seed, int threads) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    HeadlessPort ui;
    ui.keep_events();
    ui.set_seed(seed);
    ui.set_control_value("BootBox", 2);
    boot_f_action(two(s), ui);
    permute_f_action(two(s), ui);
    permute_variance_action(two(s), ui);
    std::string out;
    for (const Event& e : ui.events())
      if (e.kind == "msgbox" || e.kind == "set") out += e.text("text") + e.text("value") + "\n";
    return out;
  };
  const std::string one = texts(1, 1);
  EXPECT_NE(one.find("Using  400 Permutations"), std::string::npos) << one;
  EXPECT_NE(one.find("Over 400 permutations"), std::string::npos) << one;
  EXPECT_EQ(one, texts(1, 2));
  EXPECT_NE(one, texts(2, 2));
}

TEST(PermuteF, TitleAndNoEchoes) {
  const Study s = make_study(12, 5, 5, 0.05, 0.3, 8);
  HeadlessPort ui;
  ui.keep_events();
  permute_f_action(two(s), ui);
  EXPECT_EQ(kinds(ui), "pointer:watch pointer:arrow msgbox result ");
  EXPECT_EQ(of_kind(ui, "msgbox")[0]->text("title"), "Results of Permutation F-Test");
  EXPECT_NE(of_kind(ui, "msgbox")[0]->text("text").find("Permutation Range of F values"), std::string::npos);
}

TEST(ResampledTests, CancelShowsNothingAndSaysSo) {
  const Study s = make_study(12, 5, 5, 0.05, 0.3, 9);
  for (Action a : {boot_f_action, permute_f_action, permute_variance_action}) {
    std::ostringstream console;
    HeadlessPort ui(&console);
    ui.keep_events();
    ui.set_control_value("BootBox", 3);
    ui.set_control_string("ResultsBox", "before");
    ui.clear_events();
    ui.on_progress([](std::string_view, std::int64_t, std::int64_t) { return false; });
    a(two(s), ui);
    EXPECT_EQ(kinds(ui), "pointer:watch pointer:arrow ");
    EXPECT_NE(console.str().find("was cancelled after 32 of 900 sets; no result is shown and nothing was changed."),
              std::string::npos)
        << console.str();
    EXPECT_EQ(ui.control_string("ResultsBox"), "before");
  }
}

TEST(GetDisparity, TextEchoAndBox) {
  const Study s = make_study(10, 5, 6, 0.05, 0.1, 10);
  HeadlessPort ui;
  ui.keep_events();
  disparity_action(two(s), ui);
  EXPECT_EQ(kinds(ui), "pointer:arrow echo set result ");
  const std::string text = ui.control_string("ResultsBox");
  EXPECT_TRUE(std::regex_match(text, std::regex("Variance \\(Mean Summed Squared Distance about Mean\\) \n Variance of "
                                                "1: 0\\.\\d{8} of 2: 0\\.\\d{8}")))
      << text;
  EXPECT_EQ(of_kind(ui, "echo")[0]->text("name"), "stemp");
  EXPECT_EQ(of_kind(ui, "echo")[0]->text("value"), text);
}

TEST(PermuteVariance, EqualVariancesCountNearlyEverySet) {
  // Two copies of one sample: the observed difference is 0 and nearly every
  // permutation differs by more.
  Study s = make_study(10, 6, 6, 0.05, 0, 11);
  s.data2 = s.data1;
  s.mean2 = s.mean1;
  s.data2cs = s.data1cs;
  HeadlessPort ui;
  ui.keep_events();
  ui.set_seed(3);
  permute_variance_action(two(s), ui);
  EXPECT_EQ(kinds(ui), "pointer:watch pointer:arrow set result ");
  const std::string text = ui.control_string("ResultsBox");
  EXPECT_NE(text.find("  \n DeltaV: 0.00000000\nOver 100 permutations, 95P upper bound on DeltaV: "), std::string::npos)
      << text;
  const Event& result = *of_kind(ui, "result")[0];
  EXPECT_GT(result.number("p"), 0.9);
  EXPECT_NE(text.find("The percentile level of the observed difference is " +
                      std::to_string(result.number("p") * 100).substr(0, 5)),
            std::string::npos)
      << text;
}

// p_resampling = (1 + sets at least the observed statistic) / (1 + sets):
// identical samples lie below nearly every resampled set, very different ones
// above all of them; the seed fixes it.
TEST(ResampledTests, ResamplingPValue) {
  Study same = make_study(12, 8, 8, 0.05, 0, 41);
  same.data2 = same.data1;
  same.mean2 = same.mean1;
  same.data2cs = same.data1cs;
  Study apart = make_study(12, 8, 8, 0.01, 0.5, 42);  // means far apart, little spread
  Study wide = apart;                                 // the second sample 20 times as spread
  const Study middle = make_study(12, 8, 8, 0.05, 0.02, 43);
  for (Eigen::Index i = 0; i < wide.data2.count(); ++i)
    wide.data2.specimen(i) = wide.mean2 + 20 * (wide.data2.specimen(i) - wide.mean2);
  struct Case {
    const char* name;
    Action action;
    const Study* identical;
    const Study* different;
  };
  for (const Case& c : {Case{"BootF", boot_f_action, &same, &apart}, Case{"PermuteF", permute_f_action, &same, &apart},
                        Case{"PermuteVariance", permute_variance_action, &same, &wide}}) {
    auto p = [&](const Study& s, std::uint64_t seed) {
      HeadlessPort ui;
      ui.keep_events();
      ui.set_seed(seed);
      c.action(two(s), ui);
      const auto results = of_kind(ui, "result");
      EXPECT_EQ(results.size(), 1u) << c.name;
      return results.empty() ? std::nan("") : results[0]->number("p_resampling");
    };
    double mean = 0;
    for (std::uint64_t seed : {1, 2, 3}) mean += p(*c.identical, seed) / 3;
    EXPECT_GT(mean, 0.95) << c.name;
    EXPECT_LE(mean, 1) << c.name;
    EXPECT_EQ(p(*c.different, 4), 1.0 / 101) << c.name;
    const double once = p(middle, 5);
    EXPECT_GT(once, 1.0 / 101) << c.name;
    EXPECT_EQ(once, p(middle, 5)) << c.name;
  }
}

// Few specimens, groups far apart: of the C(n1 + n2, n1) splits the observed
// one and its mirror give the two largest F scores (the same up to rounding),
// so the exact permutation p is 2 / C(6, 3) = 0.10 for 3 + 3 and 2 / 6 for
// 2 + 2. 900 random permutations estimate it within a few hundredths; a set
// that meets the observed split a few last bits below must still count.
TEST(PermuteF, FewSpecimensGiveTheExactPermutationPValue) {
  struct Case {
    int n;
    double exact;
  };
  for (const Case& c : {Case{3, 2.0 / 20}, Case{2, 2.0 / 6}}) {
    const Study s = make_study(12, c.n, c.n, 0.01, 0.5, 61);
    for (std::uint64_t seed : {1, 2}) {
      HeadlessPort ui;
      ui.keep_events();
      ui.set_seed(seed);
      ui.set_control_value("BootBox", 3);  // 900 permutations
      permute_f_action(two(s), ui);
      const auto results = of_kind(ui, "result");
      ASSERT_EQ(results.size(), 1u);
      EXPECT_EQ(results[0]->number("sets"), 900);
      EXPECT_NEAR(results[0]->number("p_resampling"), c.exact, 0.045) << c.n << " + " << c.n << ", seed " << seed;
    }
  }
  // The variance test on 2 + 2: one split in 6 puts each sample's deviations
  // back on its own mean, which is the observed arrangement (its difference
  // comes back 1e-16 off); those sets all count.
  const Study s = make_study(12, 2, 2, 0.05, 0.1, 62);
  HeadlessPort ui;
  ui.keep_events();
  ui.set_seed(3);
  ui.set_control_value("BootBox", 3);
  permute_variance_action(two(s), ui);
  EXPECT_GT(of_kind(ui, "result")[0]->number("p_resampling"), 1.0 / 6 - 0.04);
}

// The whole of each resampling action, transcribed step by step on the
// Procrustes functions with the same draws (set k from RandomStream(seed, k)),
// gives the same result texts and console values as the action.
namespace literal {

double squares(const Eigen::RowVectorXd& d) {
  double s = 0;
  for (Eigen::Index i = 0; i < d.size(); ++i) s += d(i) * d(i);
  return s;
}

Sample pick(const Sample& pool, const std::vector<int>& at, int offset = 0) {
  Sample out(pool.points(), static_cast<Eigen::Index>(at.size()));
  for (size_t k = 0; k < at.size(); ++k) out.specimen(static_cast<Eigen::Index>(k)) = pool.specimen(at[k] - offset);
  return out;
}

struct FRun {
  std::string text;
  Eigen::MatrixXd table, bmean1;
};

FRun f_test(const Study& s, bool bootstrap, double value, std::uint64_t seed) {
  const double nboots = 100 * value * value;
  const double db = getpdistance3(s.mean1, Sample(s.mean2))(0);
  const double d1 = squares(getpdistance3(s.mean1, s.data1)), d2 = squares(getpdistance3(s.mean2, s.data2));
  const double count1 = static_cast<double>(s.data1.count()), count2 = static_cast<double>(s.data2.count());
  const double fscore = ((count1 + count2 - 2) * (db * db)) / ((1 / count1 + 1 / count2) * (d1 + d2));
  Sample jumbo(s.data1.points(), s.data1.count() + s.data2.count());
  jumbo.values() << s.data1.values(), s.data2.values();
  const int tcnt = static_cast<int>(jumbo.count());
  std::vector<double> bfscore;
  FRun run;
  run.table.resize(10, 4);
  for (int i = 0; i < static_cast<int>(nboots); ++i) {
    RandomStream random(seed, static_cast<std::uint64_t>(i));
    std::vector<int> g1(static_cast<size_t>(count1)), g2(static_cast<size_t>(count2)), order;
    if (bootstrap) {
      for (int& g : g1) g = static_cast<int>(std::ceil(tcnt * random.uniform())) - 1;
      for (int& g : g2) g = static_cast<int>(std::ceil(tcnt * random.uniform())) - 1;
    } else {
      draw_permutation_groups(random, tcnt, order, g1, g2);
    }
    Superimposition a = getpproc3(pick(jumbo, g1));
    Superimposition b = getpproc3(pick(jumbo, g2));
    const Eigen::MatrixXd bmean2 = getpprocon3(a.mean, Sample(b.mean)).values();
    const Sample bd2 = getpprocon3(bmean2, b.aligned);
    const double bdb = getpdistance3(a.mean, Sample(bmean2))(0);
    const double bdbc = (a.mean - bmean2).array().square().colwise().sum().sum();
    const double bdist1 = squares(getpdistance3(a.mean, a.aligned));
    const double bdist2 = squares(getpdistance3(bmean2, bd2));
    bfscore.push_back(((count1 + count2 - 2) * (bdb * bdb)) / ((1 / count1 + 1 / count2) * (bdist1 + bdist2)));
    if (i < 10) run.table.row(i) << bdb * bdb, bdbc, bdist1, bdist2;
    run.bmean1 = a.mean;
  }
  std::sort(bfscore.begin(), bfscore.end());
  const double five = bfscore[static_cast<size_t>(std::ceil(0.95 * nboots)) - 1];
  const double one = bfscore[static_cast<size_t>(std::ceil(0.99 * nboots)) - 1];
  run.text = bootstrap ? sprintf_m(
                             "Between Group Distance %0.5f,  F score= %2.4f,  Bootstrap Range of F values (5 "
                             "percent)= %2.4f (1 percent) %2.4f Using %4.0i Bootstrap Sets",
                             db, fscore, five, one, nboots)
                       : sprintf_m(
                             "Between Group Distance %0.5f,  F score= %2.4f,  Permutation Range of F values (5 "
                             "percent)= %2.4f (1 percent) %2.4f Using %4.0i Permutations",
                             db, fscore, five, one, nboots);
  return run;
}

std::string variance_test(const Study& s, double value, std::uint64_t seed) {
  const double nboots = 100 * value * value;
  const Eigen::Index n1 = s.data1.count(), n2 = s.data2.count();
  const double d1 = squares(getpdistance3(s.mean1, s.data1)) / static_cast<double>(n1 - 1);
  const double d2 = squares(getpdistance3(s.mean2, s.data2)) / static_cast<double>(n2 - 1);
  const double obsdifd = std::fabs(d1 - d2);
  const Eigen::RowVectorXd m1 = x1y1z1(s.mean1, 1), m2 = x1y1z1(s.mean2, 1);
  Eigen::MatrixXd ctemp(n1 + n2, m1.size());
  for (Eigen::Index i = 0; i < n1; ++i) ctemp.row(i) = x1y1z1(s.data1.specimen(i), s.data1cs(i)) - m1;
  for (Eigen::Index i = 0; i < n2; ++i) ctemp.row(n1 + i) = x1y1z1(s.data2.specimen(i), s.data2cs(i)) - m2;
  double overcount = 0;
  std::vector<double> bdifd;
  for (int i = 0; i < static_cast<int>(nboots); ++i) {
    RandomStream random(seed, static_cast<std::uint64_t>(i));
    const std::vector<int> plist = random.permutation(static_cast<int>(n1 + n2));
    Eigen::MatrixXd l1(n1, m1.size()), l2(n2, m1.size());
    for (Eigen::Index j = 0; j < n1; ++j) l1.row(j) = ctemp.row(plist[j]) + m1;
    for (Eigen::Index j = 0; j < n2; ++j) l2.row(j) = ctemp.row(plist[n1 + j]) + m2;
    Superimposition a = getpproc3(vertxy3D(l1));
    Superimposition b = getpproc3(vertxy3D(l2));
    const double bd1 = squares(getpdistance3(a.mean, a.aligned)) / static_cast<double>(n1 - 1);
    const double bd2 = squares(getpdistance3(b.mean, b.aligned)) / static_cast<double>(n2 - 1);
    bdifd.push_back(std::fabs(bd1 - bd2));
    // A difference within 1e-9 of the observed one ties it and is not above.
    if (bdifd.back() - obsdifd > 1e-9 * obsdifd) overcount = overcount + 1;
  }
  std::sort(bdifd.begin(), bdifd.end());
  const double bdif95 = bdifd[static_cast<size_t>(std::ceil(0.95 * nboots)) - 1];
  const double plevel = overcount * 100 / nboots;
  const std::string level = plevel == 0
                                ? sprintf_m("\\nThe percentile level of the observed difference is <%f", 100 / nboots)
                                : sprintf_m("\\nThe percentile level of the observed difference is %f", plevel);
  return sprintf_m("Observed Variance of 1: %1.8f of 2: %1.8f  \\n DeltaV: %1.8f", d1, d2, obsdifd) +
         sprintf_m("\\nOver %i permutations, 95P upper bound on DeltaV: %1.8f", nboots, bdif95) + level +
         sprintf_m("\\n%g %% of the permuted differences are larger than the observed one", plevel);
}

}  // namespace literal

TEST(ResampledTests, ActionsAgreeWithAStepByStepTranscription) {
  struct Case {
    bool flat;
    int points, n1, n2;
    double value;
  };
  for (const Case& c : {Case{false, 14, 7, 6, 1}, Case{true, 16, 5, 8, 2}}) {
    const Study s = c.flat ? testing::make_flat_study(c.points, c.n1, c.n2, 0.05, 0.04, 31)
                           : make_study(c.points, c.n1, c.n2, 0.05, 0.04, 31);
    HeadlessPort ui;
    ui.keep_events();
    ui.set_seed(77);
    ui.set_control_value("BootBox", c.value);
    boot_f_action(two(s), ui);
    permute_f_action(two(s), ui);
    permute_variance_action(two(s), ui);
    const auto boxes = of_kind(ui, "msgbox");
    ASSERT_EQ(boxes.size(), 2u);
    const literal::FRun boot = literal::f_test(s, true, c.value, 77);
    EXPECT_EQ(boxes[0]->text("text"), boot.text);
    EXPECT_EQ(boxes[1]->text("text"), literal::f_test(s, false, c.value, 77).text);
    const auto echoes = of_kind(ui, "echo");
    ASSERT_EQ(echoes.size(), 2u);
    const auto& table = std::get<Eigen::MatrixXd>(*echoes[0]->field("value"));
    const auto& bmean1 = std::get<Eigen::MatrixXd>(*echoes[1]->field("value"));
    ASSERT_EQ(table.rows(), 10);
    for (Eigen::Index k = 0; k < table.size(); ++k)
      EXPECT_NEAR(table(k), boot.table(k), 1e-12 * std::fabs(boot.table(k))) << k;
    ASSERT_EQ(bmean1.rows(), boot.bmean1.rows());
    EXPECT_LT((bmean1 - boot.bmean1).cwiseAbs().maxCoeff(), 1e-13);
    EXPECT_EQ(ui.control_string("ResultsBox"), literal::variance_test(s, c.value, 77));
  }
}

}  // namespace
}  // namespace velmora
