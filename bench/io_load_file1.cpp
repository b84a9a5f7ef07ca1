// "LoadFile1" on a generated study: 1,000 specimens, a ruler, 5 fixed landmarks
// and 3 curves (closed, open, open-ended) of 30 to 80 digitised points each.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <string>

#include "io/load_file1.h"
#include "io/tps_scan.h"
#include "runtime/headless/headless_port.h"

namespace {

constexpr int kSpecimens = 1000;

std::filesystem::path generated_study() {
  static const std::filesystem::path path = [] {
    const auto p = std::filesystem::temp_directory_path() / "velmora-bench-loadfile1.txt";
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<int> clicks(30, 80);
    std::normal_distribution<double> noise(0.0, 0.05);
    char buf[96];
    auto point = [&](std::string& s, double x, double y, double z) {
      std::snprintf(buf, sizeof buf, "%.5f %.5f %.5f\n", x + noise(rng), y + noise(rng), z + noise(rng));
      s += buf;
    };
    for (int i = 0; i < kSpecimens; ++i) {
      std::string body;
      int count = 0;
      const double size = 1 + 0.1 * noise(rng);
      // Ruler (landmarks 1 and 2), then three more fixed landmarks.
      point(body, 0, 0, 0), point(body, 10 * size, 0, 0), point(body, 0, 5, 0), point(body, 0, 0, 5),
          point(body, 5, 5, 5);
      count += 5;
      for (int curve = 0; curve < 3; ++curve) {
        body += "-999 0 0\n";
        ++count;
        const int k = clicks(rng);
        for (int c = 0; c < k; ++c) {
          const double t = (curve == 0 ? 2 * std::numbers::pi : 3.0) * c / k;
          if (curve == 0)
            point(body, 3 * std::cos(t), 3 * std::sin(t), 1);
          else
            point(body, t, curve * 2.0 + std::sin(t), 0.5 * t);
        }
        count += k;
      }
      point(body, 50, 50, 50);  // the last point of a list is not used
      ++count;
      out << "LM=" << count << "\n" << body << "ID=" << i + 1 << "\n";
    }
    return p;
  }();
  return path;
}

class NullConsole : public velmora::Console {
 public:
  void write(std::string_view) override {}
  void echo(std::string_view, const velmora::EchoValue&) override {}
};

void BM_LoadFile1(benchmark::State& state) {
  const auto path = generated_study();
  Eigen::MatrixXd proto(12, 1);
  proto << 1, 1, 2, 10, 3, -999, 1, 20, 2, 15, 3, 25;
  for (auto _ : state) {
    velmora::HeadlessPort port;  // a fresh port: its graphics do not pile up
    port.set_answers({path.string()}, "/");
    auto sample = velmora::load_first_sample(proto, port, 3);
    if (!sample || sample->data1.count() != kSpecimens) state.SkipWithError("the study did not load");
    benchmark::DoNotOptimize(sample->mean1.data());
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_LoadFile1)->Unit(benchmark::kMillisecond)->Iterations(5);

// The cutting, resampling, ruler and sizing steps alone, on the specimens as read.
void BM_CutSpecimens(benchmark::State& state) {
  velmora::HeadlessPort port;
  port.set_answers({generated_study().string()}, "/");
  Eigen::MatrixXd proto(12, 1);
  proto << 1, 1, 2, 10, 3, -999, 1, 20, 2, 15, 3, 25;
  NullConsole console;
  std::ifstream in(generated_study(), std::ios::binary);
  const velmora::IrregularTps file = velmora::read_irregular_tps(in, "study", console, 3);
  for (auto _ : state) {
    velmora::CutSample cut = velmora::cut_specimens(file.y, proto, console, true);
    benchmark::DoNotOptimize(cut.sizes.data());
  }
}
BENCHMARK(BM_CutSpecimens)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
