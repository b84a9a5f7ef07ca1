#include "app/analyze.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "app/action_catalogue.h"
#include "app/batch_runner.h"
#include "app/dispatcher.h"
#include "app/event_json.h"
#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/headless/headless_port.h"
#include "runtime/random.h"
#include "runtime/render.h"
#include "stats/comparison_input.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0.0.0"
#endif

namespace velmora {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The --tests words and their actions, in the catalogue's order.
const std::map<std::string, std::string>& test_actions() {
  static const std::map<std::string, std::string> actions = [] {
    std::map<std::string, std::string> out;
    for (const ActionRow& row : action_catalogue())
      if (!row.analyze_test.empty()) out.emplace(row.analyze_test, row.name);
    return out;
  }();
  return actions;
}

// "goodall, boot, ...", as the catalogue lists them.
std::string test_words() {
  std::string out;
  for (const ActionRow& row : action_catalogue())
    if (!row.analyze_test.empty()) out += (out.empty() ? "" : ", ") + std::string(row.analyze_test);
  return out;
}

std::optional<std::string> check_input(const std::string& option, const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return option + ": the file " + path.string() + " does not exist";
  if (!fs::is_regular_file(path, ec)) return option + ": " + path.string() + " is not a file";
  std::ifstream in(path, std::ios::binary);
  if (!in) return option + ": the file " + path.string() + " cannot be read";
  return std::nullopt;
}

std::optional<std::string> check_output(const std::string& option, const fs::path& path) {
  if (path.empty()) return option + ": no file name was given";
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return option + ": the folder " + folder.string() + " does not exist";
  if (fs::is_directory(path, ec)) return option + ": " + path.string() + " is a folder, not a file";
  return std::nullopt;
}

json numbers_json(const Event& e) {
  json j;
  for (const auto& [key, value] : e.fields) {
    if (key == "name") continue;
    if (const double* d = std::get_if<double>(&value))
      j[key] = std::isfinite(*d) ? json(*d) : json(nullptr);
    else
      j[key] = event_value_json(value);
  }
  return j;
}

// A count the event carries as a number, written as a whole number.
json whole(const json& v) { return v.is_number() ? json(static_cast<long long>(v.get<double>())) : v; }

// The terms of an ANOVA-like result event as a table: a row a term.
json anova_terms(const json& r) {
  json terms = json::array();
  for (std::size_t t = 0; t < r["terms"].size(); ++t)
    terms.push_back({{"term", r["terms"][t]},
                     {"df", whole(r["df"][t])},
                     {"ss", r["ss"][t]},
                     {"ms", r["ms"][t]},
                     {"rsq", r["rsq"][t]},
                     {"f", r["f"][t]},
                     {"z", r["z"][t]},
                     {"p", r["p"][t]}});
  return terms;
}

json anova_json(const json& r) {
  return {{"model", r["model"]},
          {"permutations", whole(r["permutations"])},
          {"seed", r["seed"]},
          {"ss_type", r["ss_type"]},
          {"terms", anova_terms(r)},
          {"residuals", {{"df", whole(r["residual_df"])}, {"ss", r["residual_ss"]}, {"ms", r["residual_ms"]}}},
          {"total", {{"df", whole(r["total_df"])}, {"ss", r["total_ss"]}}}};
}

json pairwise_json(const json& r) {
  json pairs = json::array();
  for (std::size_t k = 0; k < r["a"].size(); ++k)
    pairs.push_back({{"a", r["a"][k]}, {"b", r["b"][k]}, {"distance", r["distance"][k]}, {"p", r["p"][k]}});
  return {{"factor", r["factor"]}, {"permutations", whole(r["permutations"])}, {"seed", r["seed"]}, {"pairs", pairs}};
}

// Allometry, canonical variates and two-block PLS as the JSON shows them.
json allometry_json(const json& r) {
  return {{"model", r["model"]},
          {"terms", anova_terms(r)},
          {"regression_scores", r["regression_scores"]},
          {"predicted_line", r["predicted_line"]}};
}

json cva_json(const json& r) {
  json mahalanobis = json::array(), procrustes = json::array(), table = json::array();
  for (std::size_t k = 0; k < r["a"].size(); ++k) {
    mahalanobis.push_back(
        {{"a", r["a"][k]}, {"b", r["b"][k]}, {"distance", r["mahalanobis"][k]}, {"p", r["mahalanobis_p"][k]}});
    procrustes.push_back(
        {{"a", r["a"][k]}, {"b", r["b"][k]}, {"distance", r["procrustes"][k]}, {"p", r["procrustes_p"][k]}});
  }
  for (const auto& row : r["table"]) {
    json counts = json::array();
    for (const auto& c : row) counts.push_back(whole(c));
    table.push_back(counts);
  }
  return {{"factor", r["factor"]},
          {"eigenvalues", r["eigenvalues"]},
          {"variance", r["variance"]},
          {"mahalanobis", {{"pairs", mahalanobis}}},
          {"procrustes", {{"pairs", procrustes}}},
          {"classification", {{"groups", r["levels"]}, {"table", table}, {"accuracy", r["accuracy"]}}}};
}

json pls_json(const json& r) {
  return {{"blocks", r["blocks"]},
          {"singular_values", r["singular_values"]},
          {"covariance_share", r["covariance_share"]},
          {"r_pls", r["r_pls"]},
          {"p", r["p"]},
          {"z", r["z"]}};
}

}  // namespace

std::optional<std::string> check_analyze_options(const AnalyzeOptions& o) {
  if (o.protocol.empty()) return std::string("--protocol FILE is needed");
  if (o.first.empty()) return std::string("--first FILE is needed");
  if (auto e = check_input("--protocol", o.protocol)) return e;
  if (auto e = check_input("--first", o.first)) return e;
  if (o.table) {
    if (auto e = check_input("--table", *o.table)) return e;
  }
  const auto asks = [&](const char* test) { return std::find(o.tests.begin(), o.tests.end(), test) != o.tests.end(); };
  if (asks("anova") && !o.model) return std::string("--tests anova needs --model \"FORMULA\"");
  if (asks("pairwise") && !o.group) return std::string("--tests pairwise needs --group FACTOR");
  if (o.model && !asks("anova")) return std::string("--model is the model of the anova test; add anova to --tests");
  if (asks("cva") && !o.group) return std::string("--tests cva needs --group FACTOR");
  if (asks("pls") && !o.blocks) return std::string("--tests pls needs --blocks \"1-12 | 13-40\"");
  if (o.permutations &&
      (!(*o.permutations >= 1) || *o.permutations > 1e6 || *o.permutations != std::floor(*o.permutations)))
    return std::string("--permutations is a whole number from 1 to 1000000");
  if (o.second) {
    if (auto e = check_input("--second", *o.second)) return e;
  }
  if (o.second_format && *o.second_format != "table" && *o.second_format != "tps")
    return "--second-format is table or tps, not " + *o.second_format;
  if (o.second_format && !o.second) return std::string("--second-format needs --second FILE");
  if (o.save_second && !o.second) return std::string("--save-second needs --second FILE");
  std::set<std::string> seen;
  for (const auto& t : o.tests) {
    if (!test_actions().count(t)) return "--tests: unknown test " + t + " (the tests are " + test_words() + ")";
    if (!seen.insert(t).second) return "--tests: " + t + " is named twice";
  }
  // The group tests and the shape space need one sample only.
  for (const auto& t : o.tests)
    if (!o.second && t != "anova" && t != "pairwise" && t != "pca" && t != "allometry" && t != "cva" && t != "pls")
      return "--tests " + t + " compares two samples and needs --second FILE";
  if (o.rounds && (!(*o.rounds >= 1) || *o.rounds != std::floor(*o.rounds) || *o.rounds > kMostResamplingRounds))
    return "--rounds is a whole number from 1 to " + std::to_string(static_cast<int>(kMostResamplingRounds)) +
           " (each round r gives 100 x r^2 sets)";
  const std::pair<const char*, const std::optional<fs::path>*> outputs[] = {
      {"--save", &o.save},       {"--save-aligned", &o.save_aligned},
      {"--save-2d", &o.save_2d}, {"--save-second", &o.save_second},
      {"--figure", &o.figure},   {"--json", &o.json}};
  std::vector<std::pair<const char*, fs::path>> targets;
  for (const auto& [name, path] : outputs) {
    if (!*path) continue;
    if (auto e = check_output(name, **path)) return e;
    if (name == std::string("--figure") && !format_for_path(*o.figure))
      return "--figure: " + o.figure->string() + " must end in .png, .svg, .pdf or .eps";
    for (const auto& [other, target] : targets)
      if (same_file(target, **path))
        return std::string(name) + ": " + (*path)->string() + " is named for two outputs (" + other + " too)";
    targets.emplace_back(name, **path);
    std::vector<fs::path> inputs = {o.protocol, o.first};
    if (o.second) inputs.push_back(*o.second);
    if (o.table) inputs.push_back(*o.table);
    for (const fs::path& input : inputs)
      if (same_file(input, **path))
        return std::string(name) + ": " + (*path)->string() + " would overwrite the input file " + input.string();
  }
  return std::nullopt;
}

namespace {

int analyze_study(const AnalyzeOptions& o, std::ostream& out, std::ostream& err) {
  if (auto complaint = check_analyze_options(o)) {
    err << "velmora3d --analyze: " << *complaint << "\n";
    return 2;
  }
  const std::uint64_t seed = o.seed ? *o.seed : entropy_seed();
  const bool resampling = std::any_of(o.tests.begin(), o.tests.end(), [](const std::string& t) {
    const ActionRow* row = find_action(test_actions().at(t));
    return row != nullptr && row->resampling;
  });
  if (!o.seed && resampling && !o.quiet) err << "seed " << seed << "; rerun with --seed " << seed << "\n";
  HeadlessPort port(&err, o.quiet);
  port.set_seed(seed);
  std::string failure;
  json tests = json::object();
  json anova, pairwise, allometry, cva, pls;
  json texts = json::object();
  port.on_event(
      [&](const Event& e) {
        if (e.kind == "error") failure = e.text("message");
        if (e.kind == "result") tests[e.text("name")] = numbers_json(e);
        if (e.kind == "result" && e.text("name") == "ProcrustesANOVA") anova = anova_json(tests["ProcrustesANOVA"]);
        if (e.kind == "result" && e.text("name") == "PairwiseGroups") pairwise = pairwise_json(tests["PairwiseGroups"]);
        if (e.kind == "result" && e.text("name") == "Allometry") allometry = allometry_json(tests["Allometry"]);
        if (e.kind == "result" && e.text("name") == "CVA") cva = cva_json(tests["CVA"]);
        if (e.kind == "result" && e.text("name") == "TwoBlockPLS") pls = pls_json(tests["TwoBlockPLS"]);
        if (e.kind == "msgbox" && !e.text("text").empty()) {
          out << "[" << e.text("title") << "]\n" << output_text(e.text("text")) << "\n";
          texts[e.text("title")] = e.text("text");
        }
        if (e.kind == "set" && e.text("tag") == "ResultsBox") {
          out << "[ResultsBox]\n" << output_text(e.text("value")) << "\n";
          texts[e.action] = e.text("value");
        }
      },
      /*with_echoes=*/false);
  Dispatcher dispatcher(port);

  // Runs one action with its file answers; false when it did not succeed.
  auto run = [&](const std::string& action, std::vector<std::string> answers) {
    port.set_action(action);
    port.set_answers(std::move(answers), fs::current_path());
    failure.clear();
    Outcome outcome;
    try {
      outcome = dispatcher.vm3sw(action);
    } catch (const PortAbort& e) {
      failure = e.what();
      outcome = Outcome::failed;
    }
    return outcome == Outcome::done;
  };
  auto input_failure = [&](const std::string& what) {
    err << "velmora3d --analyze: " << what << ": " << failure << "\n";
    return 2;
  };

  if (!run("LoadProto", {o.protocol.string()})) return input_failure("the protocol " + o.protocol.string());
  const Handle before = port.graphics().current_figure();
  if (!run(o.two_d ? "LoadFile2D" : "LoadFile1", {o.first.string()}))
    return input_failure("the first sample " + o.first.string());
  const Handle first_window = port.graphics().current_figure();
  if (o.second) {
    const bool table = o.second_format.value_or("table") == "table";
    port.set_action("set");
    port.set_control_value("ZEPButton", table ? 1 : 0);
    if (!run("LoadFile2", {o.second->string()})) return input_failure("the second sample " + o.second->string());
  }
  port.set_action("set");
  port.set_control_value("BootBox", o.rounds.value_or(1));
  port.set_control_value("PermutationsBox", o.permutations.value_or(999));
  if (o.factors) port.set_control_string("FactorColumns", *o.factors);
  if (o.model) port.set_control_string("ModelBox", *o.model);
  if (o.group) port.set_control_string("GroupBox", *o.group);
  if (o.blocks) port.set_control_string("BlockBox", *o.blocks);
  if (o.separate_blocks) port.set_control_value("SeparateBlocks", 1);
  if (o.table && !run("LoadSpecimenTable", {o.table->string()}))
    return input_failure("the specimen table " + o.table->string());

  int status = 0;
  auto step = [&](const std::string& action, std::vector<std::string> answers) {
    if (status != 0) return;
    if (!run(action, std::move(answers))) {
      err << "velmora3d --analyze: " << action << " failed: " << failure << "\n";
      status = 1;
    }
  };
  for (const auto& t : o.tests) step(test_actions().at(t), {});
  if (o.save) step("SaveFile1", {o.save->string()});
  if (o.save_2d) step("SaveFile2D", {o.save_2d->string()});
  if (o.save_aligned) step(o.two_d ? "SaveAlignedFile2D" : "SaveAlignedFile1", {o.save_aligned->string()});
  if (o.save_second) step("SaveFile2", {o.save_second->string()});
  if (o.figure && status == 0) {
    try {
      const Handle h = first_window != before ? first_window : port.graphics().current_figure();
      write_figure(port.graphics(), h, *format_for_path(*o.figure), *o.figure, 800, 600,
                   [&](const std::string& note) { err << "velmora3d --analyze: --figure: " << note << "\n"; });
    } catch (const RuntimeError& e) {
      err << "velmora3d --analyze: --figure: " << e.what() << "\n";
      status = 1;
    }
  }
  if (o.json && status == 0) {
    const WorkingState& s = dispatcher.state();
    json j;
    j["program"] = "velmora3d";
    j["version"] = VELMORA_VERSION;
    j["seed"] = seed;
    j["dimension"] = o.two_d ? 2 : 3;
    j["protocol"] = o.protocol.string();
    j["first"] = {{"file", o.first.string()}, {"specimens", s.data1.count()}, {"points", s.data1.points()}};
    if (o.second)
      j["second"] = {{"file", o.second->string()},
                     {"format", o.second_format.value_or("table")},
                     {"specimens", s.data2.count()},
                     {"points", s.data2.points()}};
    j["rounds"] = o.rounds.value_or(1);
    j["tests"] = tests;
    if (!anova.is_null()) j["anova"] = anova;
    if (!pairwise.is_null()) j["pairwise"] = pairwise;
    if (!allometry.is_null()) j["allometry"] = allometry;
    if (!cva.is_null()) j["cva"] = cva;
    if (!pls.is_null()) j["pls"] = pls;
    j["texts"] = texts;
    try {
      write_file_atomically(*o.json, j.dump(2) + "\n", [&](const std::string& note) { err << note << "\n"; });
    } catch (const RuntimeError& e) {
      err << "velmora3d --analyze: --json: " << e.what() << "\n";
      status = 1;
    }
  }
  if (!out.flush()) {
    err << "velmora3d --analyze: the results cannot be written to standard output.\n";
    status = std::max(status, 1);
  }
  return status;
}

}  // namespace

int run_analyze(const AnalyzeOptions& options, std::ostream& out, std::ostream& err) {
  try {
    return analyze_study(options, out, err);
  } catch (const std::bad_alloc&) {
    err << "velmora3d --analyze: not enough memory to go on.\n";
  } catch (const std::exception& e) {
    err << "velmora3d --analyze: " << e.what() << "\n";
  }
  return 1;
}

}  // namespace velmora
