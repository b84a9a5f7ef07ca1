#include "display/sample_style.h"

namespace velmora {
namespace {

SampleStyle style(char letter, char specimen_marker, char mean_marker, char wire, const Rgb& face) {
  SampleStyle s;
  s.letter = letter;
  s.colour = *color_for_letter(letter);
  s.face = face;
  s.specimens = std::string{letter, specimen_marker};
  s.mean = std::string{letter, mean_marker};
  s.wireframe = std::string{wire};
  return s;
}

}  // namespace

const SampleStyle& sample_style(int sample) {
  // Blue circles and a blue star, red squares and a red pentagram: the plot
  // window's ShowData1, ShowMean1, ShowData2 and ShowMean2; their wireframes
  // green and red.
  static const SampleStyle first = style('b', 'o', '*', 'g', Rgb{0.75, 0.8, 1});
  static const SampleStyle second = style('r', 's', 'p', 'r', Rgb{1, 0.78, 0.78});
  return sample == 1 ? first : second;
}

}  // namespace velmora
