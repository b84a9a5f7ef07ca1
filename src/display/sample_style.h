// How the two samples look in every picture: the study's plot, the plot
// window, the shape space and the mean difference take their colours and
// markers from here, so a sample is told by one colour wherever it is shown.
#pragma once

#include <cstddef>
#include <string>

#include "runtime/graphics.h"

namespace velmora {

struct SampleStyle {
  char letter = 'b';      // the colour as a line spec's letter
  Rgb colour;             // the same colour
  Rgb face;               // a light tint of it, the fill of markers in flat plots
  std::string specimens;  // line spec of its specimens: "bo" (sample 1), "rs" (sample 2)
  std::string mean;       // line spec of its mean: "b*" (mean 1), "rp" (mean 2)
  std::string wireframe;  // line spec of the wireframe on its mean: "g" (mean 1), "r" (mean 2)
};

/// The style of sample 1 or 2 (anything else: sample 2's).
const SampleStyle& sample_style(int sample);

/// How the groups of a factor look in the flat plots (the shape space by
/// groups, the group scatter plots): colours that stay apart in print and for
/// the common colour blindnesses (Okabe and Ito 2008), then greys, and markers
/// that differ in shape; after ten groups they repeat.
struct GroupStyle {
  Rgb colour;
  const char* marker = "o";  // a line object's Marker
};

/// The style of group k (from 0).
GroupStyle group_style(std::size_t k);

}  // namespace velmora
