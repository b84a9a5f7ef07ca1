#include "io/formats/landmark_file.h"

#include <fstream>

#include "io/formats/csv_table_format.h"
#include "io/formats/flat_table_format.h"
#include "io/formats/idav_pts_format.h"
#include "io/formats/markups_csv_format.h"
#include "io/formats/markups_json_format.h"
#include "io/formats/morphologika_format.h"
#include "io/formats/nts_format.h"
#include "io/formats/tps_format.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
std::string format_name(LandmarkFormat format) {
  switch (format) {
    case LandmarkFormat::tps:
      return "tps";
    case LandmarkFormat::morphologika:
      return "morphologika";
    case LandmarkFormat::nts:
      return "nts";
    case LandmarkFormat::markups_csv:
      return "fcsv";
    case LandmarkFormat::markups_json:
      return "mrk.json";
    case LandmarkFormat::idav_pts:
      return "pts";
    case LandmarkFormat::csv_table:
      return "csv";
    case LandmarkFormat::flat_table:
      return "table";
    case LandmarkFormat::unknown:
      break;
  }
  return "unknown";
}

std::string format_description(LandmarkFormat format) {
  switch (format) {
    case LandmarkFormat::tps:
      return "a TPS file";
    case LandmarkFormat::morphologika:
      return "a Morphologika file";
    case LandmarkFormat::nts:
      return "an NTS file";
    case LandmarkFormat::markups_csv:
      return "a comma-separated markups file (.fcsv)";
    case LandmarkFormat::markups_json:
      return "a JSON markups file (.mrk.json)";
    case LandmarkFormat::idav_pts:
      return "an IDAV point file (.pts)";
    case LandmarkFormat::csv_table:
      return "a CSV table with a header row";
    case LandmarkFormat::flat_table:
      return "a table of flat rows";
    case LandmarkFormat::unknown:
      break;
  }
  return "a file of no known landmark format";
}

std::optional<LandmarkFormat> format_from_name(std::string_view name) {
  const std::string n = lower_case(name);
  if (n == "tps") return LandmarkFormat::tps;
  if (n == "morphologika" || n == "morpho") return LandmarkFormat::morphologika;
  if (n == "nts" || n == "ntsys") return LandmarkFormat::nts;
  if (n == "fcsv" || n == "markups-csv" || n == "markups_csv") return LandmarkFormat::markups_csv;
  if (n == "mrk.json" || n == "json" || n == "markups" || n == "markups-json" || n == "markups_json")
    return LandmarkFormat::markups_json;
  if (n == "pts" || n == "idav") return LandmarkFormat::idav_pts;
  if (n == "csv") return LandmarkFormat::csv_table;
  if (n == "table" || n == "rows") return LandmarkFormat::flat_table;
  return std::nullopt;
}

std::optional<LandmarkFormat> format_from_extension(const std::filesystem::path& path) {
  const std::string ext = lower_case(path.extension().string());
  if (ext == ".tps") return LandmarkFormat::tps;
  if (ext == ".nts" || ext == ".dta") return LandmarkFormat::nts;
  if (ext == ".csv") return LandmarkFormat::csv_table;
  if (ext == ".morphologika") return LandmarkFormat::morphologika;
  return std::nullopt;
}

bool can_write(LandmarkFormat format) {
  return format == LandmarkFormat::tps || format == LandmarkFormat::morphologika || format == LandmarkFormat::nts ||
         format == LandmarkFormat::csv_table;
}

Specimens read_landmarks(std::istream& in, std::string_view source, LandmarkFormat format,
                         const LandmarkReadOptions& options) {
  switch (format) {
    case LandmarkFormat::tps:
      return read_tps(in, source, {options.negative_missing});
    case LandmarkFormat::morphologika:
      return read_morphologika(in, source);
    case LandmarkFormat::nts:
      return read_nts(in, source);
    case LandmarkFormat::markups_csv:
      return read_markups_csv(in, source, {options.frame});
    case LandmarkFormat::markups_json:
      return read_markups_json(in, source, {options.frame});
    case LandmarkFormat::idav_pts:
      return read_idav_pts(in, source);
    case LandmarkFormat::csv_table:
      return read_csv_table(in, source, {options.dims});
    case LandmarkFormat::flat_table:
      return read_flat_table(in, source, options.dims);
    case LandmarkFormat::unknown:
      break;
  }
  throw RuntimeError(std::string(source) + " is " + format_description(format) + ".");
}

std::vector<std::string> write_landmarks(std::ostream& out, const Specimens& s, LandmarkFormat format) {
  switch (format) {
    case LandmarkFormat::tps:
      return write_tps(out, s);
    case LandmarkFormat::morphologika:
      return write_morphologika(out, s);
    case LandmarkFormat::nts:
      return write_nts(out, s);
    case LandmarkFormat::csv_table:
      return write_csv_table(out, s);
    default:
      break;
  }
  throw RuntimeError("There is no writer for " + format_description(format) +
                     "; landmarks are written as tps, morphologika, nts or csv.");
}

LandmarkFile read_landmark_file(const std::filesystem::path& path, std::optional<LandmarkFormat> format,
                                const LandmarkReadOptions& options) {
  const std::string source = path.filename().string();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) throw RuntimeError(path.string() + " does not exist.");
  if (!std::filesystem::is_regular_file(path, ec))
    throw RuntimeError(path.string() + " is not a regular file (a folder or a device), so it is not read.");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RuntimeError(path.string() + " cannot be opened for reading.");
  LandmarkFile out;
  if (format) {
    out.format = *format;
  } else {
    out.format = detect_format(read_head(in)).format;
    if (out.format == LandmarkFormat::unknown)
      throw RuntimeError(source + " is " + format_description(out.format) +
                         " (TPS, Morphologika, NTS, markups .fcsv or .mrk.json, IDAV .pts, CSV with a header, or a "
                         "table of flat rows).");
    in.clear();
    in.seekg(0);
  }
  out.specimens = read_landmarks(in, source, out.format, options);
  return out;
}

}  // namespace velmora
