// Fuzzes the tps reader of the landmark formats.
#include "landmark_format_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velmora::fuzz::check_landmark_format(velmora::LandmarkFormat::tps, data, size);
  return 0;
}
