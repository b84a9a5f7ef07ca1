#include "desktop/action_table.h"

#include <algorithm>
#include <cctype>

namespace velmora {
namespace {

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Names such as "LoadFile1" (a capital or digit after the first letter) are
// replaced in messages; plain words ("Clear") could be the message's own.
bool camel_case(const std::string& name) {
  return std::any_of(name.begin() + 1, name.end(), [](char c) {
    return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c));
  });
}

}  // namespace

const std::vector<ActionInfo>& action_table() {
  using G = ActionGroup;
  static const std::vector<ActionInfo> table = [] {
    std::vector<ActionInfo> rows = {
      {"LoadProto", "Load protocol…", G::study,
       "Read a protocol file (ruler, curves, point counts); it is described in the Study panel"},
      {"LoadFile1", "Load 3D sample…", G::study,
       "Read a 3D landmark file, resample the curves and superimpose the first sample"},
      {"LoadFile2D", "Load 2D sample…", G::study, "Read a 2D landmark file (z = 0) as the first sample"},
      {"LoadWireFrame", "Load wireframe…", G::study, "Read a wireframe table: pairs of landmarks to join"},
      {"SaveFile1", "Save sample…", G::study, "Write the first sample, one specimen per row"},
      {"SaveFile2D", "Save sample 2D…", G::study, "Write the first sample in the 2D row form"},
      {"SaveAlignedFile1", "Slide && save…", G::study,
       "Slide the semilandmarks towards the mean, show and write the first sample"},
      {"SaveAlignedFile2D", "Slide && save 2D…", G::study, "The same in the 2D row form"},
      {"Listd", "List sample", G::study, "Print the first sample on the console (all echoes)"},
      {"Clear", "Clear study", G::study,
       "Forget both samples and the wireframe, empty the plots and the boxes (the protocol stays)"},
      {"Undo", "Undo", G::study,
       "Bring the study back as it was before its last change of data: a load, a slide or Clear study (the "
       "controls and the results log stay as they are)"},
      {"LoadFile2", "Load second sample…", G::second,
       "Read the second sample and fit it into the frame of the first"},
      {"SaveFile2", "Save second sample…", G::second,
       "Write the second sample, one specimen per row"},
      {"GoodallF", "Goodall F", G::statistics, "Goodall's F-test between the two samples"},
      {"BootF", "Bootstrap F", G::statistics,
       "Bootstrap F-test (runs in the background; can be cancelled)"},
      {"PermuteF", "Permutation F", G::statistics,
       "Permutation F-test (runs in the background; can be cancelled)"},
      {"GetDisparity", "Disparity", G::statistics, "Procrustes variance of each sample"},
      {"PermuteVariance", "Permute variance", G::statistics,
       "Permutation test of the difference of the disparities (runs in the background)"},
      {"SlideSamples", "Slide semilandmarks", G::shape,
       "Slide the semilandmarks of both samples along their curves, iterated with the superimposition (runs in the "
       "background; can be cancelled); the slid samples replace the loaded ones until the next load"},
      {"RestoreUnslid", "Back to the unslid samples", G::shape,
       "Bring both samples back as they were loaded, before any sliding; needs slid samples"},
      {"ShapePCA", "Shape space", G::shape,
       "Principal components of both samples, or of the groups of the factor in the Groups box: a scatter of the "
       "chosen pair and a scree plot (runs in the background)"},
      {"ShowDifference", "Mean difference", G::shape,
       "The change from mean 1 to mean 2 in the plot window: vectors coloured by length, wireframes, deformation "
       "grid"},
      // Studies of any design.
      {"LoadSpecimenTable", "Load specimen table…", G::study,
       "Read a CSV or tab-separated table of factors and covariates, one row per specimen, matched by name"},
      {"ProcrustesANOVA", "Procrustes ANOVA", G::statistics,
       "Sequential sums of squares of the model in the Model box, p values by residual randomization (runs in the "
       "background)"},
      {"PairwiseGroups", "Pairwise group differences", G::statistics,
       "Distances between the group means of the factor in the Groups box, p values by permutation (runs in the "
       "background)"},
      {"LoadSurfaces", "Load surfaces…", G::study,
       "Read the surfaces under the landmarks: a folder of meshes named by specimen, or one reference mesh and "
       "the landmarks placed on it"},
      {"ShowSurface", "Mean surface", G::shape,
       "The reference surface warped onto the first sample's mean, with the mean landmarks"},
      {"ShowSurfaceDifference", "Surface difference", G::shape,
       "Mean 1 and mean 2 surfaces, mean 2 coloured by its distance from mean 1 (Overlay surfaces: one in the other)"},
      {"ShowPCSurfaces", "Surfaces of a component", G::shape,
       "The surfaces at the two ends of the component PCXBox chooses, SurfaceSD standard deviations from the mean"},
      {"SaveSurface", "Save surface…", G::shape,
       "Write the surface of the last surface picture as PLY (with the heat map's colours), STL or OBJ"},
      // Size, discrimination and integration.
      {"Allometry", "Allometry", G::statistics,
       "Shape on log centroid size (with the factor in the Groups box): ANOVA, regression scores, predicted line"},
      {"CVA", "Canonical variates", G::statistics,
       "Canonical variates of the factor in the Groups box: distances of group means, leave-one-out classification"},
      {"TwoBlockPLS", "Integration (two-block PLS)", G::statistics,
       "Two-block partial least squares of the blocks of points in the Blocks box, r-PLS by permutation"},
      {"OpenFigure", "Open plot window", G::plot,
       "Open a plot window beside this window; the plot actions and the export draw into it"},
      {"ClearFigure", "Clear plot", G::plot, "Clear the plot window"},
      {"ShowMean1", "Mean 1", G::plot, "Draw the mean of the first sample (blue stars)"},
      {"ShowData1", "Sample 1", G::plot, "Draw every specimen of the first sample (blue circles)"},
      {"AddLabels", "Labels", G::plot, "Write the landmark numbers next to the first mean"},
      {"ShowMean2", "Mean 2", G::plot, "Draw the mean of the second sample (red pentagrams)"},
      {"ShowData2", "Sample 2", G::plot, "Draw every specimen of the second sample (red squares)"},
      {"ToggleDots", "Dash-dot wireframe 2", G::plot,
       "Switch how Mean 2 draws its wireframe: black dash-dot or solid red (see the Plot menu's check mark)"},
      {"AxisOn", "Axes on", G::styling, "Show the axes of the plot window"},
      {"AxisOff", "Axes off", G::styling, "Hide the axes of the plot window"},
      {"ThickerLines", "Thicker lines", G::styling, "Line width one step up"},
      {"ThinnerLines", "Thinner lines", G::styling, "Line width one step down"},
      {"BiggerSymbols", "Bigger symbols", G::styling, "Marker size one step up"},
      {"SmallerSymbols", "Smaller symbols", G::styling, "Marker size one step down"},
      {"FilledSymbols", "Filled symbols", G::styling, "Fill the markers"},
      {"EmptySymbols", "Empty symbols", G::styling, "Empty the markers"},
      {"CopyImage", "Copy image", G::export_, "Copy the plot window to the clipboard (PNG and SVG)"},
      {"CopyEPS", "Save EPS…", G::export_, "Save the plot window as a colour EPS file"},
    };
    for (ActionInfo& row : rows)
      if (const ActionRow* action = find_action(row.name)) row.needs = action->needs;
    return rows;
  }();
  return table;
}

ActionInfo action_info(std::string_view name) {
  for (const auto& a : action_table())
    if (a.name == name) return a;
  const ActionRow* action = find_action(name);
  return ActionInfo{std::string(name), std::string(name), ActionGroup::more, "Runs the action " + std::string(name),
                    action != nullptr ? action->needs : Needs::nothing};
}

std::string group_title(ActionGroup group) {
  switch (group) {
    case ActionGroup::study:
      return "1. Study";
    case ActionGroup::second:
      return "2. Second sample";
    case ActionGroup::statistics:
      return "3. Statistics";
    case ActionGroup::shape:
      return "4. Sliding and shape space";
    case ActionGroup::plot:
      return "5. Plot window";
    case ActionGroup::styling:
      return "6. Plot style";
    case ActionGroup::export_:
      return "7. Export";
    case ActionGroup::more:
      return "More";
  }
  return "More";
}

std::string needs_text(Needs needs) {
  switch (needs) {
    case Needs::nothing:
      return "";
    case Needs::protocol:
      return "Load a protocol first (Load protocol…).";
    case Needs::first_sample:
      return "Load a first sample first (Load 3D sample… or Load 2D sample…).";
    case Needs::second_sample:
      return "Load both samples first (Load second sample…).";
    case Needs::plot_window:
      return "There is no plot window yet: make one with Open plot window.";
  }
  return "";
}

std::string desktop_wording(const std::string& message) {
  std::string out;
  std::size_t i = 0;
  while (i < message.size()) {
    if (!word_char(message[i]) || (i > 0 && word_char(message[i - 1]))) {
      out += message[i++];
      continue;
    }
    std::size_t end = i;
    while (end < message.size() && word_char(message[end])) ++end;
    const std::string word = message.substr(i, end - i);
    const ActionInfo info = action_info(word);
    const bool known = info.group != ActionGroup::more && camel_case(word);
    if (!known) {
      out += word;
    } else {
      std::string label = info.label;
      for (std::size_t at = label.find("&&"); at != std::string::npos; at = label.find("&&", at + 1))
        label.erase(at, 1);
      const bool opens = i == 0 && end < message.size() && message[end] == ':';
      out += opens ? label : "\"" + label + "\"";
    }
    i = end;
  }
  return out;
}

}  // namespace velmora
