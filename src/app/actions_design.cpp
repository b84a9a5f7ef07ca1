// Glue between the dispatcher and the tests of a study of any design: the
// specimen table matched to the loaded specimens, and the built-in columns.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "app/actions.h"
#include "io/specimen_table.h"
#include "runtime/error.h"
#include "stats/comparison_input.h"
#include "stats/covariation_tests.h"
#include "stats/group_tests.h"
#include "stats/shape_pca_action.h"

namespace velmora::actions {
namespace {

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

TwoSamples samples_of(const WorkingState& s) {
  return {s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs, &s.names1, &s.names2};
}

// Every loaded specimen's name, the first sample first.
std::vector<std::string> loaded_names(const WorkingState& s) {
  const TwoSamples samples = samples_of(s);
  std::vector<std::string> out;
  for (Eigen::Index i = 0; i < s.data1.count(); ++i) out.push_back(specimen_name(samples, 1, i));
  for (Eigen::Index i = 0; i < s.data2.count(); ++i) out.push_back(specimen_name(samples, 2, i));
  return out;
}

bool switch_on(UiPort& ui, const char* tag) { return ui.has_control(tag) && ui.control_value(tag) != 0; }

std::vector<std::string> factor_columns(const SpecimenTable* table, UiPort& ui) {
  if (!ui.has_control("FactorColumns")) return {};
  std::vector<std::string> out = factor_column_list(ui.control_string("FactorColumns"));
  for (const auto& name : out)
    if (name != "sample" && (table == nullptr || column_index(*table, name) < 0))
      throw RuntimeError("FactorColumns names " + in_quotes(name) + ", which is not a column of the specimen table" +
                         (table ? " " + table->source : std::string(" (none is loaded)")) + ".");
  return out;
}

bool is_factor(const SpecimenTable& t, int column, const std::vector<std::string>& marked) {
  return std::find(marked.begin(), marked.end(), t.columns[column]) != marked.end() || !numeric_column(t, column);
}

// The loaded specimens the table keeps, with their variables.
GroupStudy group_study(const WorkingState& s, UiPort& ui, std::string_view action) {
  if (s.data1.count() == 0)
    throw RuntimeError(std::string(action) + " needs a sample: load one with LoadFile1 or LoadFile2D.");
  if (s.data2.count() > 0 && s.data2.points() != s.data1.points())
    throw RuntimeError(std::string(action) + ": the samples differ in point count.");
  const std::vector<std::string> names = loaded_names(s);
  const SpecimenTable* table = s.table ? &*s.table : nullptr;
  const std::vector<std::string> marked = factor_columns(table, ui);
  std::vector<int> rows(names.size(), -1);
  GroupStudy g;
  if (table) {
    TableMatch m = match_specimen_table(*table, names, switch_on(ui, "DropUnlisted"));
    rows = m.row;
    g.notes = std::move(m.notes);
  }
  std::vector<Eigen::Index> kept;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (!table || rows[i] >= 0) kept.push_back(static_cast<Eigen::Index>(i));
  const Eigen::Index n1 = s.data1.count();
  g.specimens = Sample(s.data1.points(), static_cast<Eigen::Index>(kept.size()));
  std::vector<int> sample_of;
  std::vector<double> sizes;
  for (std::size_t j = 0; j < kept.size(); ++j) {
    const Eigen::Index i = kept[j];
    const bool first = i < n1;
    g.specimens.specimen(static_cast<Eigen::Index>(j)) = first ? s.data1.specimen(i) : s.data2.specimen(i - n1);
    g.names.push_back(names[i]);
    sample_of.push_back(first ? 1 : 2);
    const Eigen::RowVectorXd& cs = first ? s.data1cs : s.data2cs;
    const Eigen::Index at = first ? i : i - n1;
    sizes.push_back(at < cs.size() ? cs(at) : std::nan(""));
  }
  g.flat = flat_study(samples_of(s));
  const bool second = s.data2.count() > 0;
  g.variable = [table, rows, kept, sample_of, sizes, marked, second, names = g.names](const std::string& name) {
    Variable v;
    v.name = name;
    const int column = table ? column_index(*table, name) : -1;
    if (column >= 0) {
      v.factor = is_factor(*table, column, marked);
      if (!v.factor) v.values.resize(static_cast<Eigen::Index>(kept.size()));
      for (std::size_t j = 0; j < kept.size(); ++j) {
        const int row = rows[kept[j]];
        const std::string& cell = table->cells[column][row];
        if (missing_cell(cell))
          throw RuntimeError(table->source + (table->lines[row] ? ", line " + std::to_string(table->lines[row]) : "") +
                             ": the specimen " + in_quotes(names[j]) + " has no value in the column " +
                             in_quotes(name) + ", which the analysis uses.");
        if (v.factor)
          v.levels.push_back(cell);
        else
          number_cell(cell, v.values(static_cast<Eigen::Index>(j)));
      }
      return v;
    }
    if (name == "sample") {
      if (!second)
        throw RuntimeError("The column \"sample\" tells the two samples apart, and only the first sample is loaded.");
      v.factor = true;
      for (int k : sample_of) v.levels.push_back(std::to_string(k));
      return v;
    }
    if (name == "logsize") {
      v.values.resize(static_cast<Eigen::Index>(sizes.size()));
      for (std::size_t j = 0; j < sizes.size(); ++j) {
        if (!(sizes[j] > 0))
          throw RuntimeError("The specimen " + in_quotes(names[j]) + " has no centroid size for \"logsize\".");
        v.values(static_cast<Eigen::Index>(j)) = std::log(sizes[j]);
      }
      return v;
    }
    std::string known;
    if (table)
      for (const auto& c : table->columns) known += (known.empty() ? "" : ", ") + c;
    known += std::string(known.empty() ? "" : ", ") + "sample, logsize";
    throw RuntimeError("There is no column " + in_quotes(name) +
                       (table ? " in the specimen table " + table->source : "") + "; the columns are " + known + ".");
  };
  return g;
}

// "a 20, b 19": the levels of a factor column among the rows.
std::string level_counts(const std::vector<std::string>& cells) {
  std::map<std::string, int> counts;
  for (const auto& c : cells)
    if (!missing_cell(c)) ++counts[c];
  std::string out;
  for (const auto& [level, count] : counts) out += (out.empty() ? "" : ", ") + level + " " + std::to_string(count);
  return out;
}

}  // namespace

void load_specimen_table(WorkingState& s, UiPort& ui) {
  const std::optional<FileChoice> choice = ui.open_file("*.csv;*.tsv;*.txt", "Load specimen table");
  if (!choice) return;
  ui.set_working_folder(choice->folder);
  SpecimenTable table = read_specimen_table_file(choice->path());
  const std::vector<std::string> marked = factor_columns(&table, ui);
  std::vector<std::string> notes;
  std::string matched;
  if (s.data1.count() > 0) {
    const TableMatch m = match_specimen_table(table, loaded_names(s), switch_on(ui, "DropUnlisted"));
    notes = m.notes;
    matched = "; " + std::to_string(m.kept) + " of " + std::to_string(m.row.size()) + " loaded specimens matched";
  }
  std::string text = "Specimen table " + choice->name + ": " + std::to_string(table.names.size()) +
                     " specimens (names in " + in_quotes(table.name_column) + ")" + matched + "\n";
  std::vector<std::string> kinds;
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    const bool factor = is_factor(table, static_cast<int>(c), marked);
    kinds.push_back(factor ? "factor" : "covariate");
    text += "  " + table.columns[c] + ": " +
            (factor ? "factor (" + level_counts(table.cells[c]) + ")" : std::string("covariate")) + "\n";
    if (table.columns[c] == "sample" || table.columns[c] == "logsize")
      notes.push_back("The table's column " + in_quotes(table.columns[c]) + " is used instead of the built-in one.");
  }
  text += "  built in: sample (which file), logsize (log centroid size)";
  for (const auto& note : notes) ui.console().write(note + "\n");
  ui.set_control_string("ResultsBox", text);
  ui.result({"LoadSpecimenTable",
             {{"file", std::filesystem::absolute(choice->path()).string()},
              {"specimens", static_cast<double>(table.names.size())},
              {"columns", table.columns},
              {"kinds", kinds}}});
  s.sources.table = choice->path();
  s.table = std::move(table);
}

void procrustes_anova(WorkingState& s, UiPort& ui) {
  const GroupStudy study = group_study(s, ui, "ProcrustesANOVA");
  procrustes_anova_action(study, ui, size_correction_for("ProcrustesANOVA", study, ui, s.size_correction));
}

void pairwise_groups(WorkingState& s, UiPort& ui) {
  const GroupStudy study = group_study(s, ui, "PairwiseGroups");
  pairwise_groups_action(study, ui, size_correction_for("PairwiseGroups", study, ui, s.size_correction));
}

void allometry(WorkingState& s, UiPort& ui) {
  if (auto kept = allometry_action(group_study(s, ui, "Allometry"), ui)) s.size_correction = std::move(kept);
}

void canonical_variates(WorkingState& s, UiPort& ui) {
  const GroupStudy study = group_study(s, ui, "CVA");
  canonical_variates_action(study, ui, size_correction_for("CVA", study, ui, s.size_correction));
}

void two_block_pls(WorkingState& s, UiPort& ui) {
  const GroupStudy study = group_study(s, ui, "TwoBlockPLS");
  two_block_pls_action(study, ui, size_correction_for("TwoBlockPLS", study, ui, s.size_correction));
}

// With a factor in GroupBox the shape space shows its groups (one sample is
// enough); otherwise the two samples, as it always has. A size-corrected study
// analyses the residuals of allometry, which must cover every specimen shown.
void shape_pca(WorkingState& s, UiPort& ui) {
  const bool by_groups =
      ui.has_control("GroupBox") && ui.control_string("GroupBox").find_first_not_of(" \t") != std::string::npos;
  const bool corrected = switch_on(ui, "SizeCorrected");
  if (by_groups) {
    const GroupStudy study = group_study(s, ui, "ShapePCA");
    shape_pca_groups_action(study, ui, size_correction_for("ShapePCA", study, ui, s.size_correction));
  } else if (corrected) {
    const GroupStudy study = group_study(s, ui, "ShapePCA");
    const SizeCorrection* correction = size_correction_for("ShapePCA", study, ui, s.size_correction);
    if (study.specimens.count() != s.data1.count() + s.data2.count())
      throw RuntimeError(
          "ShapePCA: the size-corrected study leaves out the specimens the specimen table does not list; name a "
          "factor in GroupBox to see the specimens it keeps, or turn SizeCorrected off.");
    shape_pca_size_corrected_action(samples_of(s), ui, *correction);
  } else {
    shape_pca_action(samples_of(s), ui);
  }
}

}  // namespace velmora::actions
