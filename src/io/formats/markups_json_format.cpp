#include "io/formats/markups_json_format.h"

#include <cmath>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "io/formats/text_lines.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using nlohmann::json;

[[noreturn]] void wrong(std::string_view source, const std::string& path, const std::string& what) {
  throw RuntimeError(std::string(source) + ": " + path + ": " + what);
}

std::string index(const std::string& path, std::size_t i) { return path + "[" + std::to_string(i) + "]"; }

// A markups file nests its lists and objects six deep; the parser builds
// every level it meets, so a few megabytes of brackets nested millions deep
// would take gigabytes. Deeper than this is refused before parsing.
constexpr int kDeepest = 64;

void check_depth(const std::string& text, std::string_view source) {
  int depth = 0;
  std::size_t line = 1;
  bool quoted = false, escaped = false;
  for (const char c : text) {
    if (c == '\n') ++line;
    if (quoted) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kDeepest)
        throw RuntimeError(std::string(source) + ", line " + std::to_string(line) +
                           ": lists and objects nested more than " + std::to_string(kDeepest) +
                           " deep (a markups file needs 6).");
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
}

}  // namespace

Specimens read_markups_json(std::istream& in, std::string_view source, const MarkupsReadOptions& options) {
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  check_depth(text, source);
  json root;
  try {
    root = json::parse(text);
  } catch (const json::exception& e) {
    // A syntax error names the line and column of the fault; a number too large
    // for a double is the other failure a parse can have.
    throw RuntimeError(std::string(source) + ": not a JSON file: " + e.what());
  }
  if (!root.is_object() || !root.contains("markups"))
    throw RuntimeError(std::string(source) + ": the file holds no \"markups\" list; this is not a markups file.");
  const json& markups = root["markups"];
  if (!markups.is_array()) wrong(source, "markups", "a list of markups is expected.");

  Specimens out;
  out.dims = 3;
  std::vector<double> values;
  for (std::size_t m = 0; m < markups.size(); ++m) {
    const std::string path = index("markups", m);
    const json& markup = markups[m];
    if (!markup.is_object()) wrong(source, path, "an object is expected.");
    std::optional<Frame> frame;
    if (markup.contains("coordinateSystem")) {
      const json& cs = markup["coordinateSystem"];
      if (cs.is_string()) frame = frame_from_text(cs.get_ref<const std::string&>());
      if (!frame) wrong(source, path + ".coordinateSystem", "LPS or RAS is expected.");
    }
    std::string type = "a point list";
    if (markup.contains("type") && markup["type"].is_string()) type = markup["type"].get<std::string>();
    if (type != "Fiducial" && type != "a point list")
      out.notes.push_back(std::string(source) + ": " + path + " is a " + one_line(type).substr(0, 40) +
                          "; its control points are read as plain points.");
    if (!markup.contains("controlPoints")) continue;
    const json& points = markup["controlPoints"];
    if (!points.is_array()) wrong(source, path + ".controlPoints", "a list of control points is expected.");
    std::vector<double> these;
    for (std::size_t j = 0; j < points.size(); ++j) {
      const std::string at = index(path + ".controlPoints", j);
      const json& point = points[j];
      if (!point.is_object()) wrong(source, at, "an object is expected.");
      bool defined = true;
      if (point.contains("positionStatus")) {
        const json& status = point["positionStatus"];
        if (!status.is_string()) wrong(source, at + ".positionStatus", "a text is expected.");
        defined = status.get_ref<const std::string&>() == "defined";
      }
      double xyz[3] = {std::nan(""), std::nan(""), std::nan("")};
      if (point.contains("position")) {
        const json& position = point["position"];
        if (!position.is_array() || position.size() != 3)
          wrong(source, at + ".position", "three numbers (x, y, z) are expected.");
        for (std::size_t c = 0; c < 3; ++c) {
          if (position[c].is_number())
            xyz[c] = position[c].get<double>();
          else if (!position[c].is_null())
            wrong(source, index(at + ".position", c), "a number is expected.");
        }
      } else {
        defined = false;
      }
      if (!defined) xyz[0] = xyz[1] = xyz[2] = std::nan("");
      these.insert(these.end(), xyz, xyz + 3);
    }
    const Eigen::MatrixXd read = point_rows(these);
    std::string note;
    const Eigen::MatrixXd turned = to_frame(read, frame.value_or(Frame::lps), options.frame,
                                            std::string(source) + ": " + path, frame.has_value(), note);
    out.notes.push_back(note);
    for (Eigen::Index r = 0; r < turned.rows(); ++r)
      for (int c = 0; c < 3; ++c) values.push_back(turned(r, c));
  }
  if (values.empty()) throw RuntimeError(std::string(source) + ": the markups hold no control points.");
  if (markups.size() > 1)
    out.notes.push_back(std::string(source) + ": the points of its " + std::to_string(markups.size()) +
                        " markups are read as one specimen, in order.");
  Specimen s;
  s.name = file_stem(source);
  s.points = point_rows(values);
  out.specimens.push_back(std::move(s));
  return out;
}

}  // namespace velmora
