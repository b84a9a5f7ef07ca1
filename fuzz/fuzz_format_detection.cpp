// Fuzzes format detection, then reads the input as the format it was taken for.
#include "io/formats/detect_format.h"
#include "landmark_format_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const velmora::DetectedFormat d = velmora::detect_format(std::string_view(reinterpret_cast<const char*>(data), size));
  if (d.dims != 0 && d.dims != 2 && d.dims != 3) __builtin_trap();
  if (d.format != velmora::LandmarkFormat::unknown) velmora::fuzz::check_landmark_format(d.format, data, size);
  return 0;
}
