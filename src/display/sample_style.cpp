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

GroupStyle group_style(std::size_t k) {
  static const Rgb colours[] = {{0.0, 0.447, 0.698}, {0.835, 0.369, 0.0},   {0.0, 0.62, 0.451},    {0.8, 0.475, 0.655},
                                {0.902, 0.624, 0.0}, {0.337, 0.706, 0.914}, {0.941, 0.894, 0.259}, {0.0, 0.0, 0.0},
                                {0.5, 0.5, 0.5},     {0.6, 0.3, 0.1}};
  static const char* const markers[] = {"o", "s", "^", "d", "v", "p", "h", "<", ">", "x"};
  return {colours[k % 10], markers[k % 10]};
}

}  // namespace velmora
