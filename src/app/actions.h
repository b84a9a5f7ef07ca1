// The actions of the main window: the 35, then the ones added after them. Each
// works on a copy of the working state that the dispatcher keeps only when the
// action succeeds.
#pragma once

#include "app/working_state.h"
#include "runtime/ui_port.h"

namespace velmora::actions {

// Loading (actions_data.cpp)
void load_proto(WorkingState& s, UiPort& ui);
void load_file1(WorkingState& s, UiPort& ui);
void load_file2d(WorkingState& s, UiPort& ui);
void load_file2(WorkingState& s, UiPort& ui);
void load_wire_frame(WorkingState& s, UiPort& ui);

// Saving (actions_save.cpp)
void save_file1(WorkingState& s, UiPort& ui);
void save_file2d(WorkingState& s, UiPort& ui);
void save_aligned_file1(WorkingState& s, UiPort& ui);
void save_aligned_file2d(WorkingState& s, UiPort& ui);
void save_file2(WorkingState& s, UiPort& ui);

// Statistics (actions_stats.cpp)
void goodall_f(WorkingState& s, UiPort& ui);
void boot_f(WorkingState& s, UiPort& ui);
void permute_f(WorkingState& s, UiPort& ui);
void get_disparity(WorkingState& s, UiPort& ui);
void permute_variance(WorkingState& s, UiPort& ui);
void shape_pca(WorkingState& s, UiPort& ui);

// Display, styling and the plot window (actions_display.cpp)
void show_mean1(WorkingState& s, UiPort& ui);
void listd(WorkingState& s, UiPort& ui);
void show_data1(WorkingState& s, UiPort& ui);
void add_labels(WorkingState& s, UiPort& ui);
void show_mean2(WorkingState& s, UiPort& ui);
void show_data2(WorkingState& s, UiPort& ui);
void open_figure(WorkingState& s, UiPort& ui);
void clear_figure(WorkingState& s, UiPort& ui);
void copy_image(WorkingState& s, UiPort& ui);
void axis_on(WorkingState& s, UiPort& ui);
void axis_off(WorkingState& s, UiPort& ui);
void copy_eps(WorkingState& s, UiPort& ui);
void thicker_lines(WorkingState& s, UiPort& ui);
void thinner_lines(WorkingState& s, UiPort& ui);
void filled_symbols(WorkingState& s, UiPort& ui);
void empty_symbols(WorkingState& s, UiPort& ui);
void bigger_symbols(WorkingState& s, UiPort& ui);
void smaller_symbols(WorkingState& s, UiPort& ui);
void toggle_dots(WorkingState& s, UiPort& ui);
void clear(WorkingState& s, UiPort& ui);
void show_difference(WorkingState& s, UiPort& ui);

// Added after the 35 (actions_slide.cpp)
void slide_samples(WorkingState& s, UiPort& ui);

// Surfaces (actions_surface.cpp)
void load_surfaces(WorkingState& s, UiPort& ui);
void show_surface(WorkingState& s, UiPort& ui);
void show_surface_difference(WorkingState& s, UiPort& ui);
void show_pc_surfaces(WorkingState& s, UiPort& ui);
void save_surface(WorkingState& s, UiPort& ui);

// Studies of any design (actions_design.cpp)
void load_specimen_table(WorkingState& s, UiPort& ui);
void procrustes_anova(WorkingState& s, UiPort& ui);
void pairwise_groups(WorkingState& s, UiPort& ui);

// Size, discrimination and integration (actions_design.cpp)
void allometry(WorkingState& s, UiPort& ui);
void canonical_variates(WorkingState& s, UiPort& ui);
void two_block_pls(WorkingState& s, UiPort& ui);

// Taking changes back (actions_history.cpp)
void undo(WorkingState& s, UiPort& ui);
void restore_unslid(WorkingState& s, UiPort& ui);

}  // namespace velmora::actions
