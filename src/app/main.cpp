// velmora3d: the desktop program, its batch runner and its call-by-name entry.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

#include "app/batch_runner.h"
#include "app/call_by_name.h"
#include "app/gui.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0.0.0"
#endif

int main(int argc, char** argv) {
  using namespace velmora;
  if (argc == 1) return run_gui(argc, argv);

  const std::string first = argv[1];
  if (!first.empty() && first[0] != '-') {
    // velmora3d NAME [ARG ...]: call one function by name.
    std::vector<std::string> args(argv + 2, argv + argc);
    return call_by_name(first, args, -1, std::cout, std::cerr);
  }

  CLI::App app{
      "velmora3d: geometric morphometrics of 3D and 2D landmark data on curves.\n"
      "With no argument it opens the main window; `velmora3d NAME [ARG ...]` calls one\n"
      "function by name, for example: velmora3d centsize3D \"[0 0 0; 1 0 0; 0 1 0]\"",
      "velmora3d"};
  app.set_version_flag("--version", std::string("velmora3d ") + VELMORA_VERSION);

  BatchOptions batch;
  std::string script;
  std::string events, figures;
  std::uint64_t seed = 0;
  auto* run = app.add_option("--run", script, "Run a batch script of actions headless");
  auto* seed_opt = app.add_option("--seed", seed, "Seed for the resampling tests (same seed, same results)");
  app.add_option("--events", events, "Write every event as one JSON object a line to FILE")->needs(run);
  app.add_option("--figures", figures, "Write every open plot window as figure-H.png and .svg into DIR")->needs(run);
  app.add_flag("--keep-going", batch.keep_going, "Go on after a failed action")->needs(run);
  app.add_flag("--quiet", batch.quiet, "Keep only errors on standard error")->needs(run);
  app.footer(
      "Script lines: ACTION [ANSWER ...]   (each file dialog takes the next answer: a path or `cancel`)\n"
      "              set TAG PROPERTY VALUE (for example: set ZEPButton Value 1)\n"
      "Exit status: 0 every action succeeded, 1 an action failed, 2 a usage or script error.\n"
      "Example: velmora3d --run examples/study3d.txt --seed 1 --events events.jsonl");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  if (*run) {
    batch.script = script;
    if (*seed_opt) batch.seed = seed;
    if (!events.empty()) batch.events = events;
    if (!figures.empty()) batch.figures = figures;
    return run_batch(batch, std::cout, std::cerr);
  }
  std::cerr << "velmora3d: nothing to do (see --help)\n";
  return 2;
}
