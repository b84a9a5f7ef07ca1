// velmora3d: the desktop program, its batch runner and its call-by-name entry.
#include <sys/resource.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/analyze.h"
#include "app/batch_runner.h"
#include "app/call_by_name.h"
#include "app/convert.h"
#include "app/copy_examples.h"
#include "app/gui.h"
#include "app/parse_seed.h"
#include "app/share_folders.h"
#include "app/standard_output.h"
#include "app/warp_mesh_command.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0.0.0"
#endif

namespace {

// The BLAS library starts its worker threads when it is loaded, each mapping
// a buffer of about 128 MB and retrying a map that fails without end, and the
// program waits for them when it ends: under a small address-space limit
// (ulimit -v) every command would spin. The threads are read from the
// environment before main runs, so under a limit, and unless the user chose
// their number, the program starts itself again with as many as the limit
// can give (a buffer each in half of it).
void limit_blas_threads(char** argv) {
  rlimit limit{};
  if (std::getenv("OPENBLAS_NUM_THREADS") != nullptr || ::getrlimit(RLIMIT_AS, &limit) != 0 ||
      limit.rlim_cur == RLIM_INFINITY)
    return;
  const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
  const auto fit = static_cast<long>(limit.rlim_cur / 2 / (256ULL << 20));
  const long threads = fit < 1 ? 1 : (processors > 0 && fit > processors ? processors : fit);
  ::setenv("OPENBLAS_NUM_THREADS", std::to_string(threads).c_str(), 0);
  ::execv("/proc/self/exe", argv);  // on failure, go on as we are
}

int run_command(int argc, char** argv) {
  using namespace velmora;
  if (argc == 1) return run_gui(argc, argv);

  const std::string first = argv[1];
  if (first == "convert") return run_convert(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
  if (first == "warp-mesh") return run_warp_mesh(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
  // velmora3d STUDY: a path (function names hold no dot and no slash).
  if (argc == 2 && !first.empty() && first[0] != '-' && first.find_first_of("./\\") != std::string::npos)
    return run_gui(argc, argv, first);
  if (!first.empty() && first[0] != '-') {
    // velmora3d NAME [ARG ...]: call one function by name.
    std::vector<std::string> args(argv + 2, argv + argc);
    return call_by_name(first, args, -1, std::cout, std::cerr);
  }

  CLI::App app{
      "velmora3d: geometric morphometrics of 3D and 2D landmark data on curves.\n"
      "With no argument it opens the main window, `velmora3d STUDY.v3dstudy` opens a study file in it;\n"
      "`velmora3d NAME [ARG ...]` calls one\n"
      "function by name, for example: velmora3d centsize3D \"[0 0 0; 1 0 0; 0 1 0]\"",
      "velmora3d"};
  app.set_version_flag("--version", std::string("velmora3d ") + VELMORA_VERSION);

  BatchOptions batch;
  std::string script;
  std::string events, figures;
  std::string seed_text;
  auto* run = app.add_option("--run", script, "Run a batch script of actions headless");
  auto* seed_opt = app.add_option("--seed", seed_text,
                                  "Seed for the resampling tests, 0 to 18446744073709551615 (same seed, same results)");
  auto* events_opt =
      app.add_option("--events", events, "Write every event as one JSON object a line to FILE")->needs(run);
  auto* figures_opt =
      app.add_option("--figures", figures, "Write every open plot window as figure-H.png and .svg into DIR")
          ->needs(run);
  app.add_flag("--keep-going", batch.keep_going, "Go on after a failed action")->needs(run);
  app.add_flag("--quiet", batch.quiet, "Keep only errors on standard error")->needs(run);

  AnalyzeOptions analyze;
  std::string protocol, first_file, second_file, second_format, tests, save, save_aligned, save_2d, save_second, figure,
      json_file, table_file, factors, model, group, blocks;
  double rounds = 1, permutations = 999;
  bool analyze_flag = false;
  auto* an = app.add_flag("--analyze", analyze_flag, "Analyse a whole study in one command (see the options below)");
  auto* protocol_opt = app.add_option("--protocol", protocol, "Protocol file")->needs(an);
  auto* first_opt = app.add_option("--first", first_file,
                                   "First sample: a TPS file of digitised curves (any landmark format when the "
                                   "protocol has no curves)")
                        ->needs(an);
  app.add_flag("--2d", analyze.two_d, "The first sample is 2D (x, y per point)")->needs(an);
  auto* second_opt = app.add_option("--second", second_file, "Second sample file")->needs(an);
  auto* format_opt =
      app.add_option("--second-format", second_format,
                     "table (flat rows, the default) or tps: the switch LoadFile2 reads; a file is read as its content "
                     "shows")
          ->needs(an);
  auto* tests_opt =
      app.add_option("--tests", tests,
                     "Comma-separated tests: goodall,boot,perm,disparity,permvar,pca,difference,anova,pairwise,"
                     "allometry,cva,pls")
          ->needs(an);
  auto* rounds_opt = app.add_option("--rounds", rounds, "Resampling rounds K: 100 x K^2 sets (default 1)")->needs(an);
  auto* save_opt = app.add_option("--save", save, "Write the first sample (3D rows) to FILE")->needs(an);
  auto* aligned_opt =
      app.add_option("--save-aligned", save_aligned, "Write the first sample with slid semilandmarks to FILE")
          ->needs(an);
  auto* save2d_opt = app.add_option("--save-2d", save_2d, "Write the first sample in 2D rows to FILE")->needs(an);
  auto* second_save_opt = app.add_option("--save-second", save_second, "Write the second sample to FILE")->needs(an);
  auto* figure_opt =
      app.add_option("--figure", figure, "Picture of the first sample: .png, .svg, .pdf or .eps")->needs(an);
  auto* json_opt = app.add_option("--json", json_file, "Every number of every test as JSON")->needs(an);
  auto* table_opt =
      app.add_option("--table", table_file, "Specimen table: factors and covariates by specimen name")->needs(an);
  auto* factors_opt =
      app.add_option("--factors", factors, "Comma-separated numeric columns of the table to take as factors")
          ->needs(an);
  auto* model_opt =
      app.add_option("--model", model, "Model of the anova test, as R writes it: \"species * sex\"")->needs(an);
  auto* group_opt = app.add_option("--group", group, "Factor of the pairwise test and of the pca colours")->needs(an);
  auto* permutations_opt =
      app.add_option("--permutations", permutations, "Random permutations of anova and pairwise (default 999)")
          ->needs(an);
  auto* blocks_opt =
      app.add_option("--blocks", blocks, "Two blocks of points of the pls test: \"1-12 | 13-40\"")->needs(an);
  app.add_flag("--separate-blocks", analyze.separate_blocks, "pls: superimpose each block on its own")->needs(an);
  an->excludes(run);
  std::string examples_dir;
  auto* examples = app.add_option("--examples", examples_dir,
                                  "Copy the example studies into DIR/examples (what their scripts save goes to "
                                  "DIR/demo-out); overwrites nothing")
                       ->excludes(run)
                       ->excludes(an);
  app.footer(
      "Script lines: ACTION [ANSWER ...]   (each file dialog takes the next answer: a path or `cancel`)\n"
      "              set TAG PROPERTY VALUE (for example: set ZEPButton Value 1)\n"
      "Exit status: 0 every action succeeded, 1 an action failed, 2 a usage or script error.\n"
      "Example: velmora3d --run examples/study3d.txt --seed 1 --events events.jsonl\n"
      "Convert landmark files: velmora3d convert 'markups/*.mrk.json' sample.tps (see velmora3d convert --help)\n"
      "Warp a surface: velmora3d warp-mesh skull.ply --from skull.fcsv --to mean.tps --out mean.ply\n"
      "Example: velmora3d --analyze --protocol examples/skull3d/protocol.txt --first examples/skull3d/first.tps \\\n"
      "           --second examples/skull3d/second.txt --tests goodall,perm --seed 1 --json results.json");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  if (*examples) return run_copy_examples(share_folders(program_folder()), examples_dir, std::cout, std::cerr);

  std::optional<std::uint64_t> seed;
  if (*seed_opt) {
    seed = parse_seed(seed_text);
    if (!seed) {
      std::cerr << "velmora3d: --seed " << seed_text << ": a seed is a whole number from 0 to 18446744073709551615\n";
      return 2;
    }
  }

  if (*run) {
    batch.script = script;
    batch.seed = seed;
    if (*events_opt) batch.events = events;
    if (*figures_opt) batch.figures = figures;
    return run_batch(batch, std::cout, std::cerr);
  }
  if (*an) {
    analyze.protocol = protocol;
    analyze.first = first_file;
    if (*second_opt) analyze.second = second_file;
    if (*format_opt) analyze.second_format = second_format;
    if (*tests_opt) {
      std::string name;
      for (char c : tests + ",") {
        if (c == ',') {
          if (!name.empty()) analyze.tests.push_back(name);
          name.clear();
        } else if (c != ' ') {
          name += c;
        }
      }
    }
    if (*rounds_opt) analyze.rounds = rounds;
    analyze.seed = seed;
    if (*save_opt) analyze.save = save;
    if (*aligned_opt) analyze.save_aligned = save_aligned;
    if (*save2d_opt) analyze.save_2d = save_2d;
    if (*second_save_opt) analyze.save_second = save_second;
    if (*figure_opt) analyze.figure = figure;
    if (*json_opt) analyze.json = json_file;
    if (*table_opt) analyze.table = table_file;
    if (*factors_opt) analyze.factors = factors;
    if (*model_opt) analyze.model = model;
    if (*group_opt) analyze.group = group;
    if (*permutations_opt) analyze.permutations = permutations;
    if (*blocks_opt) analyze.blocks = blocks;
    (void)protocol_opt;
    (void)first_opt;
    return run_analyze(analyze, std::cout, std::cerr);
  }
  std::cerr << "velmora3d: nothing to do (see --help)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  limit_blas_threads(argv);
  return velmora::finish_standard_output(run_command(argc, argv), std::cout, std::cerr);
}
