#include "app/dispatcher.h"

#include <exception>

#include "app/actions.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

using Action = void (*)(WorkingState&, UiPort&);

struct ActionEntry {
  const char* name;
  Action run;
};

// The order of comparison is part of the contract: the first equal name runs.
const ActionEntry kActions[] = {
    {"LoadProto", actions::load_proto},
    {"LoadFile1", actions::load_file1},
    {"LoadFile2D", actions::load_file2d},
    {"ShowMean1", actions::show_mean1},
    {"Listd", actions::listd},
    {"ShowData1", actions::show_data1},
    {"AddLabels", actions::add_labels},
    {"SaveFile1", actions::save_file1},
    {"SaveFile2D", actions::save_file2d},
    {"SaveAlignedFile1", actions::save_aligned_file1},
    {"SaveAlignedFile2D", actions::save_aligned_file2d},
    {"LoadFile2", actions::load_file2},
    {"ShowMean2", actions::show_mean2},
    {"ShowData2", actions::show_data2},
    {"SaveFile2", actions::save_file2},
    {"OpenFigure", actions::open_figure},
    {"ClearFigure", actions::clear_figure},
    {"CopyImage", actions::copy_image},
    {"LoadWireFrame", actions::load_wire_frame},
    {"AxisOn", actions::axis_on},
    {"AxisOff", actions::axis_off},
    {"GoodallF", actions::goodall_f},
    {"BootF", actions::boot_f},
    {"PermuteF", actions::permute_f},
    {"CopyEPS", actions::copy_eps},
    {"GetDisparity", actions::get_disparity},
    {"PermuteVariance", actions::permute_variance},
    {"ThickerLines", actions::thicker_lines},
    {"ThinnerLines", actions::thinner_lines},
    {"FilledSymbols", actions::filled_symbols},
    {"EmptySymbols", actions::empty_symbols},
    {"BiggerSymbols", actions::bigger_symbols},
    {"SmallerSymbols", actions::smaller_symbols},
    {"ToggleDots", actions::toggle_dots},
    {"Clear", actions::clear},
    // Added after the 35, which keep their order.
    {"ShapePCA", actions::shape_pca},
    {"ShowDifference", actions::show_difference},
    {"SlideSamples", actions::slide_samples},
    // Studies of any design.
    {"LoadSpecimenTable", actions::load_specimen_table},
    {"ProcrustesANOVA", actions::procrustes_anova},
    {"PairwiseGroups", actions::pairwise_groups},
    // Size, discrimination and integration.
    {"Allometry", actions::allometry},
    {"CVA", actions::canonical_variates},
    {"TwoBlockPLS", actions::two_block_pls},
};

}  // namespace

const std::vector<std::string>& Dispatcher::action_names() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const auto& a : kActions) out.emplace_back(a.name);
    return out;
  }();
  return names;
}

Outcome Dispatcher::vm3sw(std::string_view action) {
  for (const auto& entry : kActions) {
    if (action != entry.name) continue;
    // The action works on a copy: the study changes only when it succeeds.
    WorkingState next = state_;
    std::string message;
    try {
      entry.run(next, ui_);
      state_ = std::move(next);
      return Outcome::done;
    } catch (const PortAbort&) {
      throw;
    } catch (const RuntimeError& e) {
      message = e.what();
    } catch (const std::bad_alloc&) {
      message = std::string(entry.name) + ": not enough memory to finish.";
    } catch (const std::exception& e) {
      message = std::string(entry.name) + " failed: " + e.what();
    }
    // Drawing is not undone, so a plot window the failed action opened (and may
    // have drawn into) stays the plot window.
    if (next.fighand1 != state_.fighand1 && next.fighand1 && ui_.graphics().is_handle(*next.fighand1))
      state_.fighand1 = next.fighand1;
    ui_.console().write(message + "\n");
    ui_.report_error(message);
    return Outcome::failed;
  }
  ui_.console().write(sprintf_m("Fell through Switch!  Dang! \\n Call was %s", std::string(action)));
  return Outcome::unknown;
}

}  // namespace velmora
