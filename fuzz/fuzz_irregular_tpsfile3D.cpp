// Fuzzes the 3D TPS reader with a point count per specimen.
#include "irregular_tps_fuzz.h"
#include "io/get_irregular_tpsfile3D.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velmora::fuzz::check_irregular_reader(velmora::get_irregular_tpsfile3D, 3, data, size);
  return 0;
}
