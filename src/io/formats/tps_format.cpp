#include "io/formats/tps_format.h"

#include <cmath>
#include <optional>
#include <set>

#include "io/formats/text_lines.h"
#include "runtime/error.h"

namespace velmora {
namespace {

constexpr double kLargestCount = 1e15;

struct Key {
  std::string name;  // upper case
  std::string_view value;
};

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "LM=12", "scale = 0.01": a word of letters (digits after the first letter) before an "=".
std::optional<Key> parse_key(std::string_view line) {
  line = trim(line);
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  const std::string_view word = trim(line.substr(0, eq));
  if (word.empty() || !is_letter(word[0])) return std::nullopt;
  Key key;
  for (char c : word) {
    if (!is_letter(c) && !is_digit(c)) return std::nullopt;
    key.name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  key.value = trim(line.substr(eq + 1));
  return key;
}

std::string image_name(std::string_view image) { return file_stem(trim(image)); }

// The numbers under one LM=, LM3= or POINTS= header.
struct Block {
  std::string header;  // as the messages show it: "LM=5"
  long line = 0;
  long long count = 0;
  bool three = false;  // LM3=: 3 numbers a point whatever they hold
  bool curve = false;  // POINTS=: the points of a curve
  std::vector<double> values;
};

struct Current {
  long line = 0;
  std::vector<double> points;               // x y z a point: the landmarks
  std::vector<std::vector<double>> curves;  // x y z a point: each POINTS= block
  std::optional<std::string> id, image;
  std::optional<double> scale;
  long long curves_announced = 0;
  long long curve_blocks = 0;
  long curves_line = 0;
};

class TpsReader {
 public:
  TpsReader(std::istream& in, std::string_view source, const TpsReadOptions& options, bool separate_curves)
      : lines_(in, source), options_(options), separate_curves_(separate_curves) {}

  Specimens read() {
    std::string text;
    while (lines_.next(text)) {
      const std::string_view t = trim(text);
      if (t.empty()) continue;
      if (std::optional<Key> key = parse_key(t)) {
        take_key(*key);
      } else {
        take_numbers(t);
      }
    }
    close_block();
    close_specimen();
    if (out_.specimens.empty())
      throw RuntimeError(lines_.source() +
                         ": no landmark header was found (LM= or LM3= followed by the number of points); this is "
                         "not a TPS file.");
    out_.dims = dims_ == 0 ? 2 : dims_;
    if (negative_points_ > 0)
      out_.notes.push_back(lines_.source() + ": " + std::to_string(negative_points_) +
                           " point(s) with a negative coordinate were read as missing landmarks.");
    if (curve_specimens_ > 0 && !separate_curves_)
      out_.notes.push_back(lines_.source() + ": the curve points (CURVES= and POINTS=) of " +
                           std::to_string(curve_specimens_) + " specimen(s) follow their landmarks as plain points.");
    return std::move(out_);
  }

  std::vector<std::vector<Eigen::MatrixXd>> take_curves() { return std::move(curves_); }

 private:
  std::string specimen_label() const { return "specimen " + std::to_string(out_.specimens.size() + 1); }

  long long count_of(const Key& key) {
    const std::vector<std::string_view> words = split_words(key.value);
    long long count = 0;
    if (words.empty() || !parse_count(words[0], kLargestCount, count))
      lines_.fail((current_ ? specimen_label() + ": " : std::string()) + key.name + "= gives \"" +
                  std::string(key.value) + "\"; a whole number of points is needed.");
    return count;
  }

  void open_block(const Key& key, bool three, bool curve = false) {
    close_block();
    block_ = Block{};
    block_->count = count_of(key);
    block_->header = key.name + "=" + std::to_string(block_->count);
    block_->line = lines_.line();
    block_->three = three;
    block_->curve = curve;
  }

  void take_key(const Key& key) {
    if (key.name == "LM" || key.name == "LM3") {
      close_block();
      close_specimen();
      current_ = Current{};
      current_->line = lines_.line();
      if (pending_) {  // ID=, IMAGE= (and before the first header SCALE=) lines before this header
        current_->id = pending_->id;
        current_->image = pending_->image;
        if (out_.specimens.empty()) current_->scale = pending_->scale;
        pending_.reset();
      }
      open_block(key, key.name == "LM3");
      return;
    }
    // A file whose names come before the first header names each specimen before its header.
    if (!current_ && (key.name == "ID" || key.name == "IMAGE")) names_lead_ = true;
    const bool leading_name = names_lead_ && (key.name == "ID" || key.name == "IMAGE");
    Current& c = current_ && !leading_name ? *current_ : pending();
    if (key.name == "POINTS") {
      if (!current_) lines_.fail("POINTS= comes before the first LM= header.");
      open_block(key, false, true);
      c.curves.emplace_back();
      ++c.curve_blocks;
      return;
    }
    close_block();
    if (key.name == "CURVES" || key.name == "OUTLINES") {
      if (!current_) lines_.fail(key.name + "= comes before the first LM= header.");
      // Each CURVES= line is within the largest count; their sum is kept
      // within it too (repeated lines would otherwise overflow).
      const long long more = count_of(key);
      if (more > kLargestCount - c.curves_announced)
        lines_.fail(specimen_label() + ": the " + key.name + "= lines announce more than " +
                    std::to_string(static_cast<long long>(kLargestCount)) + " curves in all.");
      c.curves_announced += more;
      c.curves_line = lines_.line();
    } else if (key.name == "ID") {
      c.id = one_line(key.value);
    } else if (key.name == "IMAGE") {
      c.image = std::string(key.value);
    } else if (key.name == "SCALE") {
      double v = 0;
      if (parse_value(key.value, v) && std::isfinite(v) && v > 0) {
        c.scale = v;
      } else {
        c.scale.reset();
        out_.notes.push_back(lines_.where() + (current_ ? specimen_label() : std::string("specimen 1")) +
                             ": SCALE= gives " +
                             (key.value.empty() ? "no number" : "\"" + std::string(key.value) + "\"") +
                             ", so that specimen has no scale.");
      }
    } else if (key.name != "COMMENT" && unknown_keys_.insert(key.name).second) {
      out_.notes.push_back(lines_.where() + key.name + "= lines are not read.");
    }
  }

  Current& pending() {
    if (!pending_) pending_ = Current{};
    return *pending_;
  }

  void take_numbers(std::string_view t) {
    if (!block_) {
      if (!current_) lines_.fail("\"" + std::string(t.substr(0, 40)) + "\" comes before the first LM= header.");
      lines_.fail(specimen_label() + ": \"" + std::string(t.substr(0, 40)) +
                  "\" is neither a KEY= line nor coordinates under a LM= or POINTS= header.");
    }
    for (std::string_view word : split_words(t)) {
      double v = 0;
      if (!parse_value(word, v))
        lines_.fail(specimen_label() + ": \"" + std::string(word.substr(0, 40)) + "\" is not a number.");
      if (static_cast<double>(block_->values.size()) >= 3.0 * static_cast<double>(block_->count))
        lines_.fail(specimen_label() + ": more numbers than " + block_->header + " (line " +
                    std::to_string(block_->line) + ") announces for " + std::to_string(block_->count) + " points.");
      block_->values.push_back(v);
    }
  }

  void close_block() {
    if (!block_) return;
    const Block b = std::move(*block_);
    block_.reset();
    const double n = static_cast<double>(b.count);
    const double v = static_cast<double>(b.values.size());
    const std::string where = lines_.source() + ", line " + std::to_string(b.line) + ": " + specimen_label() + ": ";
    int d = 0;
    if (b.three) {
      if (v == 3 * n) d = 3;
    } else if (b.count > 0 && v == 2 * n) {
      d = 2;
    } else if (v == 3 * n) {
      d = 3;
    }
    if (d == 0) {
      const std::string need =
          b.three ? std::to_string(3 * b.count) + " (x y z)"
                  : std::to_string(2 * b.count) + " (x y) or " + std::to_string(3 * b.count) + " (x y z)";
      throw RuntimeError(where + b.header + " announces " + std::to_string(b.count) + " points, which need " + need +
                         " numbers, and " + std::to_string(b.values.size()) + " follow.");
    }
    if (b.count > 0) {
      if (dims_ == 0) {
        dims_ = d;
        dims_specimen_ = out_.specimens.size() + 1;
      } else if (d != dims_) {
        throw RuntimeError(where + "its points have " + std::to_string(d) + " numbers each where specimen " +
                           std::to_string(dims_specimen_) + "'s have " + std::to_string(dims_) +
                           "; a file holds 2D or 3D specimens, not both.");
      }
    }
    std::vector<double>& to = b.curve ? current_->curves.back() : current_->points;
    for (long long k = 0; k < b.count; ++k) {
      double p[3] = {b.values[d * k], b.values[d * k + 1], d == 3 ? b.values[d * k + 2] : 0.0};
      if (options_.negative_missing && (p[0] < 0 || p[1] < 0 || p[2] < 0)) {
        for (int c = 0; c < d; ++c) p[c] = std::nan("");  // a 2D point keeps z = 0
        ++negative_points_;
      }
      to.insert(to.end(), p, p + 3);
    }
  }

  void close_specimen() {
    if (!current_) return;
    Current c = std::move(*current_);
    current_.reset();
    const std::size_t k = out_.specimens.size() + 1;
    if (c.curve_blocks != c.curves_announced)
      throw RuntimeError(lines_.source() + ", line " + std::to_string(c.curves_line) + ": specimen " +
                         std::to_string(k) + ": CURVES= announces " + std::to_string(c.curves_announced) +
                         " curves and " + std::to_string(c.curve_blocks) + " POINTS= blocks follow.");
    if (c.curve_blocks > 0) ++curve_specimens_;
    Specimen s;
    if (c.id && !c.id->empty())
      s.name = *c.id;
    else if (c.image && !image_name(*c.image).empty())
      s.name = image_name(*c.image);
    else
      s.name = numbered_name(k);
    s.scale = c.scale;
    if (separate_curves_) {
      std::vector<Eigen::MatrixXd> curves;
      for (const std::vector<double>& curve : c.curves) curves.push_back(point_rows(curve));
      curves_.push_back(std::move(curves));
    } else {
      for (const std::vector<double>& curve : c.curves) c.points.insert(c.points.end(), curve.begin(), curve.end());
    }
    s.points = point_rows(c.points);
    out_.specimens.push_back(std::move(s));
  }

  LineReader lines_;
  TpsReadOptions options_;
  bool separate_curves_ = false;
  Specimens out_;
  std::vector<std::vector<Eigen::MatrixXd>> curves_;
  std::optional<Current> current_, pending_;
  bool names_lead_ = false;
  std::optional<Block> block_;
  int dims_ = 0;
  std::size_t dims_specimen_ = 0;
  long negative_points_ = 0;
  long curve_specimens_ = 0;
  std::set<std::string> unknown_keys_;
};

}  // namespace

Specimens read_tps(std::istream& in, std::string_view source, const TpsReadOptions& options) {
  return TpsReader(in, source, options, false).read();
}

TpsCurveFile read_tps_curves(std::istream& in, std::string_view source, const TpsReadOptions& options) {
  TpsReader reader(in, source, options, true);
  TpsCurveFile out;
  out.specimens = reader.read();
  out.curves = reader.take_curves();
  return out;
}

std::vector<std::string> write_tps(std::ostream& out, const Specimens& s) {
  for (const Specimen& sp : s.specimens) {
    out << (s.dims == 2 ? "LM=" : "LM3=") << sp.points.rows() << "\n";
    for (Eigen::Index k = 0; k < sp.points.rows(); ++k) {
      out << format_value(sp.points(k, 0)) << " " << format_value(sp.points(k, 1));
      if (s.dims != 2) out << " " << format_value(sp.points(k, 2));
      out << "\n";
    }
    out << "ID=" << one_line(sp.name) << "\n";
    if (sp.scale) out << "SCALE=" << format_value(*sp.scale) << "\n";
  }
  return {};
}

std::vector<std::string> tps_specimen_names(std::istream& in, std::string_view source) {
  LineReader lines(in, source);
  struct Names {
    std::optional<std::string> id, image;
  };
  std::vector<Names> found;
  Names before;  // the names read since the last header
  bool names_lead = false;
  std::string text;
  while (lines.next(text)) {
    const std::optional<Key> key = parse_key(text);
    if (!key) continue;
    if (key->name == "LM" || key->name == "LM3") {
      found.push_back(found.empty() || names_lead ? before : Names{});
      before = Names{};
      continue;
    }
    if (found.empty() && (key->name == "ID" || key->name == "IMAGE")) names_lead = true;
    Names& n = found.empty() || names_lead ? before : found.back();
    if (key->name == "ID") n.id = one_line(key->value);
    if (key->name == "IMAGE") n.image = std::string(key->value);
  }
  std::vector<std::string> names;
  for (std::size_t k = 0; k < found.size(); ++k) {
    if (found[k].id && !found[k].id->empty())
      names.push_back(*found[k].id);
    else if (found[k].image && !image_name(*found[k].image).empty())
      names.push_back(image_name(*found[k].image));
    else
      names.push_back(numbered_name(k + 1));
  }
  return names;
}

bool has_curve_markers(const TpsCurveFile& file, double code) {
  const auto marks = [code](const Eigen::MatrixXd& points) { return (points.col(0).array() == code).any(); };
  for (std::size_t i = 0; i < file.specimens.specimens.size(); ++i) {
    if (marks(file.specimens.specimens[i].points)) return true;
    for (const Eigen::MatrixXd& curve : file.curves[i])
      if (marks(curve)) return true;
  }
  return false;
}

}  // namespace velmora
