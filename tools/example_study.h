// The example studies shipped in examples/: a 3D skull study and a 2D leaf
// study, each a protocol, a first sample digitised with a ruler and curves of
// uneven clicks, a second sample in final form (table and TPS), a wireframe.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmora::examples {

/// One generated file: its path relative to the examples folder and its text.
struct ExampleFile {
  std::string path;
  std::string text;
};

/// Everything the generator makes, with a summary for people and the list of
/// problems its own checks found (empty when the data are as intended).
struct ExampleSet {
  std::vector<ExampleFile> files;
  std::vector<std::string> summary;
  std::vector<std::string> problems;
  /// Per study folder ("skull3d", "leaf2d"): the centroid size in mm of every
  /// first-sample specimen as the loading action should find it, and the
  /// number of specimens of the second sample.
  std::map<std::string, std::vector<double>> first_sizes;
  std::map<std::string, int> second_counts;
};

/// Builds both studies from fixed seeds: the same files on every run and
/// every platform. The checks reload the first samples the way the program
/// does (markers, resampling, ruler) and compare them with the true forms.
ExampleSet make_example_studies();

}  // namespace velmora::examples
