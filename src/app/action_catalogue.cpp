#include "app/action_catalogue.h"

#include "app/actions.h"
#include "app/working_state.h"

namespace velmora {
namespace {

using D = DialogLook;
using N = Needs;
using P = StudyPart;

// Filters of the desktop's file dialogs.
constexpr std::string_view kTextFiles = "Text files (*.txt);;All files (*)";
// Every landmark format the loaders read: all of them first, then one by one.
constexpr std::string_view kLandmarkFiles =
    "Landmark files (*.tps *.txt *.morphologika *.nts *.dta *.csv *.fcsv *.mrk.json *.json *.pts);;"
    "TPS files (*.tps *.txt);;Morphologika files (*.txt *.morphologika);;NTS files (*.nts *.dta);;"
    "CSV tables (*.csv *.txt);;Markups (*.fcsv *.mrk.json *.json);;IDAV points (*.pts);;"
    "Tables of flat rows (*.txt);;All files (*)";

}  // namespace

// A row names only what differs from the defaults of ActionRow; GCC before 14
// warns about every member a designated initializer leaves out.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif

const std::vector<ActionRow>& action_catalogue() {
  // The order of comparison is part of the contract: the first equal name
  // runs. New actions go at the end.
  static const std::vector<ActionRow> rows = {
      {.name = "LoadProto",
       .run = actions::load_proto,
       .replaces = P::protocol,
       .dialog = {D::open, "Open protocol", "Protocol files (*.txt);;All files (*)"},
       .writes = {"BigBox"}},
      {.name = "LoadFile1",
       .run = actions::load_file1,
       .needs = N::protocol,
       .draws_study_plot = true,
       .replaces = P::first_sample,
       .dialog = {D::open, "Open 3D sample", kLandmarkFiles, {}, true},
       .reads = {"DropMissing", "NegativeMissing", "TableDimension"}},
      {.name = "LoadFile2D",
       .run = actions::load_file2d,
       .needs = N::protocol,
       .draws_study_plot = true,
       .replaces = P::first_sample,
       .dialog = {D::open, "Open 2D sample", kLandmarkFiles, {}, true},
       .reads = {"DropMissing", "NegativeMissing"}},
      {.name = "ShowMean1", .run = actions::show_mean1, .needs = N::first_sample},
      {.name = "Listd", .run = actions::listd, .needs = N::first_sample},
      {.name = "ShowData1", .run = actions::show_data1, .needs = N::first_sample},
      {.name = "AddLabels", .run = actions::add_labels, .needs = N::first_sample},
      {.name = "SaveFile1",
       .run = actions::save_file1,
       .needs = N::first_sample,
       .dialog = {D::save, "Save the first sample", kTextFiles}},
      {.name = "SaveFile2D",
       .run = actions::save_file2d,
       .needs = N::first_sample,
       .dialog = {D::save, "Save the first sample in 2D rows", kTextFiles}},
      {.name = "SaveAlignedFile1",
       .run = actions::save_aligned_file1,
       .needs = N::first_sample,
       .dialog = {D::save, "Save the first sample with slid semilandmarks", kTextFiles}},
      {.name = "SaveAlignedFile2D",
       .run = actions::save_aligned_file2d,
       .needs = N::first_sample,
       .dialog = {D::save, "Save the first sample with slid semilandmarks in 2D rows", kTextFiles}},
      {.name = "LoadFile2",
       .run = actions::load_file2,
       .needs = N::first_sample,
       .replaces = P::second_sample,
       .dialog = {D::open, "Open second sample", kLandmarkFiles, {}, true},
       .reads = {"ZEPButton", "DropMissing", "NegativeMissing"},
       .writes = {"FileBox2"}},
      {.name = "ShowMean2", .run = actions::show_mean2, .needs = N::second_sample, .reads = {"DotCheck"}},
      {.name = "ShowData2", .run = actions::show_data2, .needs = N::second_sample},
      {.name = "SaveFile2",
       .run = actions::save_file2,
       .needs = N::second_sample,
       .dialog = {D::save, "Save the second sample", kTextFiles}},
      {.name = "OpenFigure", .run = actions::open_figure},
      {.name = "ClearFigure", .run = actions::clear_figure, .needs = N::plot_window},
      {.name = "CopyImage", .run = actions::copy_image, .needs = N::plot_window},
      {.name = "LoadWireFrame",
       .run = actions::load_wire_frame,
       .replaces = P::wireframe,
       .dialog = {D::open, "Open wireframe", "Wireframe tables (*.txt);;All files (*)"}},
      {.name = "AxisOn", .run = actions::axis_on, .needs = N::plot_window},
      {.name = "AxisOff", .run = actions::axis_off, .needs = N::plot_window},
      {.name = "GoodallF",
       .run = actions::goodall_f,
       .needs = N::second_sample,
       .logs_result = true,
       .analyze_test = "goodall"},
      {.name = "BootF",
       .run = actions::boot_f,
       .needs = N::second_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"BootBox"},
       .analyze_test = "boot"},
      {.name = "PermuteF",
       .run = actions::permute_f,
       .needs = N::second_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"BootBox"},
       .analyze_test = "perm"},
      {.name = "CopyEPS",
       .run = actions::copy_eps,
       .needs = N::plot_window,
       .dialog = {D::save, "Save the plot window as EPS", "EPS drawings (*.eps);;All files (*)"}},
      {.name = "GetDisparity",
       .run = actions::get_disparity,
       .needs = N::second_sample,
       .logs_result = true,
       .writes = {"ResultsBox"},
       .analyze_test = "disparity"},
      {.name = "PermuteVariance",
       .run = actions::permute_variance,
       .needs = N::second_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"BootBox"},
       .writes = {"ResultsBox"},
       .analyze_test = "permvar"},
      {.name = "ThickerLines", .run = actions::thicker_lines, .needs = N::plot_window},
      {.name = "ThinnerLines", .run = actions::thinner_lines, .needs = N::plot_window},
      {.name = "FilledSymbols", .run = actions::filled_symbols, .needs = N::plot_window},
      {.name = "EmptySymbols", .run = actions::empty_symbols, .needs = N::plot_window},
      {.name = "BiggerSymbols", .run = actions::bigger_symbols, .needs = N::plot_window},
      {.name = "SmallerSymbols", .run = actions::smaller_symbols, .needs = N::plot_window},
      {.name = "ToggleDots", .run = actions::toggle_dots, .reads = {"DotCheck"}, .writes = {"DotCheck"}},
      {.name = "Clear", .run = actions::clear, .replaces = P::all_but_protocol, .writes = {"BigBox"}},
      // Added after the 35, which keep their order.
      {.name = "ShapePCA",
       .run = actions::shape_pca,
       .needs = N::first_sample,  // a second sample, or a factor in GroupBox
       .background = true,
       .reads = {"PCXBox", "PCYBox", "GroupBox", "GroupOutline", "FactorColumns", "DropUnlisted", "SizeCorrected"},
       .writes = {"ResultsBox"},
       .analyze_test = "pca"},
      {.name = "ShowDifference",
       .run = actions::show_difference,
       .needs = N::second_sample,
       .reads = {"DiffScale"},
       .writes = {"ResultsBox"},
       .analyze_test = "difference"},
      {.name = "SlideSamples",
       .run = actions::slide_samples,
       .needs = N::first_sample,
       .background = true,
       .draws_study_plot = true,
       .replaces = P::samples,
       .reads = {"SlideCriterion", "ProjectOnCurve"}},
      // Surfaces under the landmarks.
      {.name = "LoadSurfaces",
       .run = actions::load_surfaces,
       .needs = N::first_sample,
       .dialog = {D::open, "Load surfaces", "Meshes (*.ply *.stl *.obj);;All files (*)", {}, false, true},
       .writes = {"ResultsBox"}},
      {.name = "ShowSurface", .run = actions::show_surface, .needs = N::first_sample},
      {.name = "ShowSurfaceDifference",
       .run = actions::show_surface_difference,
       .needs = N::second_sample,
       .reads = {"SurfaceOverlay"}},
      {.name = "ShowPCSurfaces",
       .run = actions::show_pc_surfaces,
       .needs = N::second_sample,
       .reads = {"PCXBox", "SurfaceSD"}},
      {.name = "SaveSurface",
       .run = actions::save_surface,
       .needs = N::first_sample,
       .dialog = {D::save, "Save the surface",
                  "PLY files (*.ply);;STL files (*.stl);;OBJ files (*.obj);;All files (*)"}},
      // Studies of any design: a table of factors and covariates, and the tests on it.
      {.name = "LoadSpecimenTable",
       .run = actions::load_specimen_table,
       .replaces = P::specimen_table,
       .dialog = {D::open, "Load specimen table", "Specimen tables (*.csv *.tsv *.txt);;All files (*)"},
       .reads = {"FactorColumns", "DropUnlisted"},
       .writes = {"ResultsBox"}},
      {.name = "ProcrustesANOVA",
       .run = actions::procrustes_anova,
       .needs = N::first_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"ModelBox", "PermutationsBox", "FactorColumns", "DropUnlisted", "SizeCorrected"},
       .writes = {"ResultsBox"},
       .analyze_test = "anova"},
      {.name = "PairwiseGroups",
       .run = actions::pairwise_groups,
       .needs = N::first_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"GroupBox", "PermutationsBox", "FactorColumns", "DropUnlisted", "SizeCorrected"},
       .writes = {"ResultsBox"},
       .analyze_test = "pairwise"},
      // Size, discrimination and integration.
      {.name = "Allometry",
       .run = actions::allometry,
       .needs = N::first_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"GroupBox", "PermutationsBox", "FactorColumns", "DropUnlisted", "AllometryLine", "DiffScale"},
       .writes = {"ResultsBox"},
       .analyze_test = "allometry"},
      {.name = "CVA",
       .run = actions::canonical_variates,
       .needs = N::first_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"GroupBox", "PermutationsBox", "FactorColumns", "DropUnlisted", "SizeCorrected", "DiffScale"},
       .writes = {"ResultsBox"},
       .analyze_test = "cva"},
      {.name = "TwoBlockPLS",
       .run = actions::two_block_pls,
       .needs = N::first_sample,
       .background = true,
       .resampling = true,
       .logs_result = true,
       .reads = {"BlockBox", "SeparateBlocks", "GroupBox", "PermutationsBox", "FactorColumns", "DropUnlisted",
                 "SizeCorrected"},
       .writes = {"ResultsBox"},
       .analyze_test = "pls"},
      // Taking changes of the study's data back.
      {.name = "Undo", .run = actions::undo, .draws_study_plot = true, .replaces = P::earlier_study},
      {.name = "RestoreUnslid",
       .run = actions::restore_unslid,
       .needs = N::first_sample,
       .draws_study_plot = true,
       .replaces = P::samples},
  };
  return rows;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

const ActionRow* find_action(std::string_view name) {
  for (const ActionRow& row : action_catalogue())
    if (row.name == name) return &row;
  return nullptr;
}

}  // namespace velmora
