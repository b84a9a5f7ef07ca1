// Reading speed of the irregular TPS reader on a generated 3D file of 2,000
// specimens x 3,000 points (about 150 MB, written to the temporary folder at start).
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "io/get_irregular_tpsfile3D.h"

namespace {

class NullConsole : public velmora::Console {
 public:
  void write(std::string_view) override {}
  void echo(std::string_view, const velmora::EchoValue&) override {}
};

constexpr int kSpecimens = 2000;
constexpr int kPoints = 3000;

std::filesystem::path generated_file() {
  static const std::filesystem::path path = [] {
    const auto p = std::filesystem::temp_directory_path() / "velmora-bench-irregular3d.txt";
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> coordinate(-150.0, 150.0);
    std::string block;
    block.reserve(1 << 20);
    char number[64];
    for (int s = 1; s <= kSpecimens; ++s) {
      block += "LM=" + std::to_string(kPoints) + "\n";
      for (int p = 0; p < kPoints; ++p) {
        for (int d = 0; d < 3; ++d) {
          auto [end, ec] = std::to_chars(number, number + sizeof number, coordinate(rng), std::chars_format::fixed, 4);
          block.append(number, end);
          block += d < 2 ? ' ' : '\n';
        }
        if (block.size() > (1 << 20) - 200) {
          out << block;
          block.clear();
        }
      }
      block += "ID=specimen " + std::to_string(s) + "\n";
    }
    out << block;
    return p;
  }();
  return path;
}

void BM_IrregularTps3D(benchmark::State& state) {
  const auto path = generated_file();
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  NullConsole console;
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    velmora::IrregularTps f = velmora::get_irregular_tpsfile3D(in, "bench.txt", console);
    if (f.y.size() != kSpecimens || f.ny(0) != 3 * kPoints) state.SkipWithError("wrong specimen count");
    benchmark::DoNotOptimize(f.y.back().data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_IrregularTps3D)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
