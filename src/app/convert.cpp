#include "app/convert.h"

#include <algorithm>
#include <new>
#include <optional>
#include <sstream>

#include "io/formats/landmark_file.h"
#include "io/formats/missing_landmarks.h"
#include "io/prepare_sample.h"
#include "runtime/error.h"
#include "runtime/file_write.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const char* const kUsage =
    "usage: velmora3d convert IN [IN ...] OUT [--from FORMAT] [--to FORMAT] [--frame LPS|RAS]\n"
    "                         [--negative-missing] [--drop-missing] [--apply-scale] [--dim 2|3]\n"
    "Reads landmark files (TPS, Morphologika, NTS, markups .fcsv and .mrk.json, IDAV .pts, CSV with a\n"
    "header, tables of flat rows; the format is told from the content unless --from names it) and\n"
    "writes all their specimens, with their names, to OUT as tps, morphologika, nts or csv (--to, else\n"
    "OUT's extension). An IN may be a pattern in quotes: 'markups/*.mrk.json'. Curve points are written\n"
    "as plain points. --frame: the frame markups are turned into (LPS, the default, or RAS).\n"
    "--negative-missing: TPS points with a negative coordinate are missing landmarks. --drop-missing:\n"
    "leave out specimens with missing landmarks (else they are written as NaN). --apply-scale: multiply\n"
    "coordinates by each specimen's TPS SCALE= (only when every specimen has one). --dim: the dimension\n"
    "of a table whose column names or width do not tell it.\n";

// "*" any run of characters, "?" one character.
bool matches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

struct Usage {
  std::string message;
};

}  // namespace

std::vector<fs::path> expand_input(const std::string& input) {
  const fs::path path(input);
  const std::string name = path.filename().string();
  if (name.find_first_of("*?") == std::string::npos) return {path};
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && matches(name, it->path().filename().string()))
      found.push_back(path.has_parent_path() ? path.parent_path() / it->path().filename() : it->path().filename());
  }
  if (found.empty()) throw RuntimeError("No file matches \"" + input + "\".");
  std::sort(found.begin(), found.end());
  return found;
}

int run_convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  std::optional<LandmarkFormat> from, to;
  LandmarkReadOptions options;
  bool drop = false, apply_scale = false;
  try {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      const auto value = [&]() -> std::string {
        if (i + 1 >= args.size()) throw Usage{a + " needs a value."};
        return args[++i];
      };
      if (a == "--help" || a == "-h") {
        out << kUsage;
        return 0;
      } else if (a == "--from" || a == "--to") {
        const std::string v = value();
        const std::optional<LandmarkFormat> f = format_from_name(v);
        if (!f || f == LandmarkFormat::unknown) throw Usage{"\"" + v + "\" is no landmark format."};
        (a == "--from" ? from : to) = f;
      } else if (a == "--frame") {
        const std::string v = value();
        const std::optional<Frame> f = frame_from_text(v);
        if (!f || (v != "LPS" && v != "RAS" && v != "lps" && v != "ras")) throw Usage{"--frame is LPS or RAS."};
        options.frame = *f;
      } else if (a == "--dim") {
        const std::string v = value();
        if (v != "2" && v != "3") throw Usage{"--dim is 2 or 3."};
        options.dims = v == "2" ? 2 : 3;
      } else if (a == "--negative-missing") {
        options.negative_missing = true;
      } else if (a == "--drop-missing") {
        drop = true;
      } else if (a == "--apply-scale") {
        apply_scale = true;
      } else if (a.starts_with("--")) {
        throw Usage{"unknown option " + a + "."};
      } else {
        files.push_back(a);
      }
    }
    if (files.size() < 2) throw Usage{"an input and an output file are needed."};
  } catch (const Usage& u) {
    err << "velmora3d convert: " << u.message << "\n" << kUsage;
    return 2;
  }
  const fs::path output = files.back();
  files.pop_back();
  if (!to) to = format_from_extension(output);
  if (!to) {
    err << "velmora3d convert: name the format of " << output.string()
        << " with --to (tps, morphologika, nts or csv).\n";
    return 2;
  }
  if (!can_write(*to)) {
    err << "velmora3d convert: there is no writer for " << format_description(*to)
        << "; write tps, morphologika, nts or csv.\n";
    return 2;
  }

  try {
    // Every input before anything is read: the output must not be one of them
    // (through any spelling or link), nor an existing landmark file that a
    // pattern the shell expanded put last when the output was forgotten.
    std::vector<fs::path> inputs;
    for (const std::string& input : files)
      for (fs::path& path : expand_input(input)) inputs.push_back(std::move(path));
    for (const fs::path& path : inputs)
      if (same_file(path, output))
        throw RuntimeError(output.string() + " is also an input (" + path.string() +
                           "); it would be overwritten by the merge. Name a new output file last.");
    std::error_code ec;
    const auto beside = [&](const fs::path& path) {
      return fs::equivalent(fs::absolute(path, ec).parent_path(), fs::absolute(output, ec).parent_path(), ec) &&
             path.extension() == output.extension();
    };
    if (inputs.size() >= 2 && fs::is_regular_file(output, ec) && std::all_of(inputs.begin(), inputs.end(), beside))
      throw RuntimeError(output.string() + " exists, beside the inputs and of their kind: it looks like the last " +
                         "file of a pattern the shell expanded, with the output forgotten. Nothing was written; " +
                         "name an output that does not exist yet, or remove this one first.");
    Specimens all;
    std::size_t read_files = 0;
    std::string first_file;
    bool scaled = false;
    {
      for (const fs::path& path : inputs) {
        LandmarkFile f = read_landmark_file(path, from, options);
        for (const std::string& note : f.specimens.notes) err << "convert: " << note << "\n";
        if (read_files == 0) {
          all.dims = f.specimens.dims;
          first_file = path.filename().string();
        } else if (f.specimens.dims != all.dims) {
          throw RuntimeError(path.filename().string() + " holds " + std::to_string(f.specimens.dims) + "D points and " +
                             first_file + " " + std::to_string(all.dims) +
                             "D points; one output holds one or the other.");
        }
        for (std::size_t i = 0; i < f.specimens.specimens.size(); ++i) {
          Specimen& s = f.specimens.specimens[i];
          // NaN is a missing landmark; an infinite coordinate is no point at all.
          for (Eigen::Index k = 0; k < s.points.rows(); ++k)
            if (s.points.row(k).array().isInf().any())
              throw RuntimeError(path.filename().string() + ": specimen " + std::to_string(i + 1) + " (" + s.name +
                                 "), point " + std::to_string(k + 1) +
                                 ": a coordinate is infinite; landmarks are finite numbers (or missing).");
          scaled = scaled || s.scale.has_value();
          all.specimens.push_back(std::move(s));
        }
        ++read_files;
      }
    }
    if (all.specimens.empty()) throw RuntimeError("The inputs hold no specimens.");
    if (apply_scale && scaled) {
      // All or none: a sample in two units is worse than one in the file's units.
      err << "convert: " << apply_scales(all.specimens, read_files == 1 ? first_file : "the inputs") << "\n";
      scaled = std::any_of(all.specimens.begin(), all.specimens.end(), [](const Specimen& s) { return s.scale; });
    }

    if (drop) {
      MissingCheck checked = drop_missing(all, "convert", true);
      for (const std::string& note : checked.notes) err << note << "\n";
      all.specimens = std::move(checked.kept.specimens);
    } else {
      std::size_t missing = 0;
      for (const Specimen& s : all.specimens) missing += s.points.hasNaN() ? 1 : 0;
      if (missing > 0)
        err << "convert: " << missing << " specimen(s) have missing landmarks; they are written as missing values ("
            << (*to == LandmarkFormat::nts ? "the file's missing-value code" : "NaN")
            << "). --drop-missing leaves them out.\n";
    }
    if (scaled && !apply_scale && *to != LandmarkFormat::tps)
      err << "convert: " << format_description(*to)
          << " keeps no SCALE= values: the coordinates are written unscaled (--apply-scale multiplies them by "
             "their scale).\n";

    std::ostringstream buffer;
    for (const std::string& note : write_landmarks(buffer, all, *to)) err << "convert: " << note << "\n";
    write_file_atomically(output, buffer.str(), [&](const std::string& note) { err << "convert: " << note << "\n"; });

    Eigen::Index fewest = all.specimens[0].points.rows(), most = fewest;
    for (const Specimen& s : all.specimens) {
      fewest = std::min(fewest, s.points.rows());
      most = std::max(most, s.points.rows());
    }
    out << "convert: " << all.specimens.size() << " specimen(s) of "
        << (fewest == most ? std::to_string(most) : std::to_string(fewest) + " to " + std::to_string(most))
        << " points (" << all.dims << "D) from " << read_files << " file(s) written to " << output.string() << " ("
        << format_name(*to) << ")\n";
  } catch (const RuntimeError& e) {
    err << "velmora3d convert: " << e.what() << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    // The inputs are held whole until the output is written (about 15 times
    // the size of a TPS file at the peak); nothing was written.
    err << "velmora3d convert: not enough memory to hold these files; nothing was written.\n";
    return 1;
  }
  return 0;
}

}  // namespace velmora
