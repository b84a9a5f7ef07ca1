// The last steps every load takes with the specimens it read, whatever the
// file's format: scales applied, missing landmarks refused or dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/formats/detect_format.h"
#include "io/formats/specimens.h"
#include "io/load_switches.h"
#include "io/open_input.h"
#include "runtime/console.h"
#include "runtime/ui_port.h"

namespace velmora {

struct PreparedSample {
  Specimens specimens;                 // scaled, every landmark present, the other columns of the kept ones
  std::vector<std::size_t> kept_from;  // each kept specimen's number in the file (from 1)
};

/// Multiplies the points of every specimen by its scale (TPS SCALE=) when every
/// specimen has one, and then clears the scales. When only some have one no
/// specimen is scaled and every scale is kept: mixing measured units with the
/// file's units would make the sample meaningless. Returns what was done, naming
/// `source` and, when only some have a scale, the specimens without one (by
/// number and name); nothing when no specimen has a scale.
std::string apply_scales(std::vector<Specimen>& specimens, std::string_view source);

/// Leaves out the specimens with no points (TPS LM=0: images not yet
/// digitised). Returns what it did, naming `source` and each specimen left out;
/// nothing when none was. Throws RuntimeError when no specimen is left.
std::string leave_out_empty(Specimens& s, std::string_view source);

/// The first file picked with `choice` opened, its format detected
/// (open_detected). A pick of several files of a format that holds a whole
/// sample a file (TPS, a flat table, or none known) is refused at once, before
/// anything is read, as add_picked_files refuses it.
DetectedInput open_picked(const FileChoice& choice, Console& console);

/// Adds the specimens of the further files picked with `choice` (choice.more)
/// to `s`, read from `choice.folder`, each file one specimen named by its
/// file. Only formats that hold one specimen a file (markups, IDAV points) may
/// be picked several at once: throws RuntimeError naming the file otherwise,
/// and for files of another format or dimension than the first. Says on
/// `console` how many files make the sample.
void add_picked_files(Specimens& s, const FileChoice& choice, LandmarkFormat format, bool negative_missing,
                      Console& console);

/// Writes the reader's notes on `console`, applies the scales (apply_scales,
/// saying what it did), then refuses a sample with missing landmarks
/// or, with `switches.drop_missing`, leaves those specimens out, naming each on
/// the console (see drop_missing).
PreparedSample prepare_sample(const Specimens& read, std::string_view source, const LoadSwitches& switches,
                              Console& console);

/// The names of the kept specimens, or none when the file names no specimen
/// and none was left out (the study then numbers them, as the file does).
std::vector<std::string> sample_names(const PreparedSample& sample, std::size_t read);

/// Points with a negative coordinate (other than curve markers, whose x is
/// `marker`) made missing, for NegativeMissing on files read by our own TPS
/// readers; returns how many.
long negative_points_missing(Specimens& s, double marker);

}  // namespace velmora
