// Glue between the dispatcher and the plot window.
#include "app/actions.h"

#include "runtime/error.h"

namespace velmora::actions {

void show_mean1(WorkingState&, UiPort&) { throw RuntimeError("ShowMean1 is not available yet."); }
void show_data1(WorkingState&, UiPort&) { throw RuntimeError("ShowData1 is not available yet."); }
void add_labels(WorkingState&, UiPort&) { throw RuntimeError("AddLabels is not available yet."); }
void show_mean2(WorkingState&, UiPort&) { throw RuntimeError("ShowMean2 is not available yet."); }
void show_data2(WorkingState&, UiPort&) { throw RuntimeError("ShowData2 is not available yet."); }
void open_figure(WorkingState&, UiPort&) { throw RuntimeError("OpenFigure is not available yet."); }
void clear_figure(WorkingState&, UiPort&) { throw RuntimeError("ClearFigure is not available yet."); }
void copy_image(WorkingState&, UiPort&) { throw RuntimeError("CopyImage is not available yet."); }
void axis_on(WorkingState&, UiPort&) { throw RuntimeError("AxisOn is not available yet."); }
void axis_off(WorkingState&, UiPort&) { throw RuntimeError("AxisOff is not available yet."); }
void copy_eps(WorkingState&, UiPort&) { throw RuntimeError("CopyEPS is not available yet."); }
void thicker_lines(WorkingState&, UiPort&) { throw RuntimeError("ThickerLines is not available yet."); }
void thinner_lines(WorkingState&, UiPort&) { throw RuntimeError("ThinnerLines is not available yet."); }
void filled_symbols(WorkingState&, UiPort&) { throw RuntimeError("FilledSymbols is not available yet."); }
void empty_symbols(WorkingState&, UiPort&) { throw RuntimeError("EmptySymbols is not available yet."); }
void bigger_symbols(WorkingState&, UiPort&) { throw RuntimeError("BiggerSymbols is not available yet."); }
void smaller_symbols(WorkingState&, UiPort&) { throw RuntimeError("SmallerSymbols is not available yet."); }

}  // namespace velmora::actions
