#include "desktop/result_words.h"

#include <gtest/gtest.h>

#include "stats/result_texts.h"

namespace velmora {
namespace {

int count_of(const QString& text, const QString& part) { return static_cast<int>(text.count(part)); }

TEST(ResultWords, ReadAsAPaperWouldWriteThem) {
  struct Case {
    TestResult result;
    SampleCounts n;
    QString words;
  };
  const std::vector<Case> cases = {
      {{"GoodallF", {{"statistic", 10.4412}, {"df1", 128.0}, {"df2", 5888.0}, {"p", 0.0}}},
       {25, 23},
       "F(128, 5888) = 10.44, p < 1e-15; n = 25 + 23"},
      {{"GoodallF", {{"statistic", 2.0}, {"df1", 3.0}, {"df2", 40.0}, {"p", 0.0123456}}},
       {},
       "F(3, 40) = 2, p = 0.0123"},
      {{"PermuteF",
        {{"statistic", 2.5}, {"cutoff5", 1.9}, {"cutoff1", 2.4}, {"p_resampling", 0.049505}, {"sets", 1000.0},
         {"seed", std::uint64_t{7}}}},
       {10, 12},
       "F = 2.5, cut-offs 1.9 (5 %), 2.4 (1 %), permutation p = 0.0495 (1,000 sets); n = 10 + 12"},
      {{"GetDisparity", {{"variance1", 0.012}, {"variance2", 0.0145}}},
       {},
       "disparity 0.012 (first sample), 0.0145 (second sample)"},
      {{"SlideSamples",
        {{"criterion", std::string("procrustes")}, {"iterations", 3.0}, {"settled", 1.0}, {"projected", 1.0},
         {"procrustes_ss", std::vector<double>{1, 0.5}}}},
       {25, 23},
       "slid by Procrustes distance, 3 iterations, projected on the curves; n = 25"},
  };
  for (const Case& c : cases) EXPECT_EQ(result_words(c.result, c.n).toStdString(), c.words.toStdString()) << c.result.name;
}

TEST(ResultWords, OnePValueATestAndNoInternalNames) {
  const TestResult variance{"PermuteVariance",
                            {{"statistic", 0.002}, {"variance1", 0.01}, {"variance2", 0.012}, {"cutoff5", 0.003},
                             {"p", 0.05}, {"p_resampling", 0.0594}, {"sets", 100.0}, {"seed", std::uint64_t{1}}}};
  const QString words = result_words(variance);
  EXPECT_EQ(count_of(words, "p = "), 1) << words.toStdString();
  EXPECT_TRUE(words.contains("permutation p = 0.0594 (100 sets)")) << words.toStdString();
  for (const char* inner : {"p_resampling", "variance1", "cutoff5", "seed"})
    EXPECT_FALSE(words.contains(inner)) << inner;
  const TestResult slide{"SlideSamples", {{"criterion", std::string("bending")}, {"iterations", 1.0}, {"settled", 0.0}}};
  EXPECT_EQ(result_words(slide).toStdString(), "slid by bending energy, 1 iteration without settling");
}

TEST(ResultWords, ABoxSaysATinyPValueAsTheLogDoes) {
  const std::string tiny = result_box_words("Results of Goodall F-Test", goodall_text(0.1, 10.44, 128, 5888, 0));
  EXPECT_NE(tiny.find("df2=5888.00,  p < 1e-15"), std::string::npos) << tiny;
  EXPECT_EQ(tiny.find("p value"), std::string::npos) << tiny;
  const std::string plain = goodall_text(0.1, 2, 3, 40, 0.0123456);
  EXPECT_EQ(result_box_words("Results of Goodall F-Test", plain), plain);
}

}  // namespace
}  // namespace velmora
