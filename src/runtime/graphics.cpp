// The graphics object model: windows, axes, lines and text with their
// properties by name. One file because every operation works on the same
// object table and its invariants (handles, children, the current window).
#include "runtime/graphics.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

void erase_handle(std::vector<Handle>& list, Handle h) {
  list.erase(std::remove(list.begin(), list.end(), h), list.end());
}

}  // namespace

std::string type_name(ObjectType type) {
  switch (type) {
    case ObjectType::root:
      return "root";
    case ObjectType::figure:
      return "figure";
    case ObjectType::axes:
      return "axes";
    case ObjectType::line:
      return "line";
    case ObjectType::text:
      return "text";
    case ObjectType::surface:
      return "surface";
  }
  return "root";
}

std::optional<Rgb> color_for_letter(char letter) {
  switch (letter) {
    case 'r':
      return Rgb{1, 0, 0};
    case 'g':
      return Rgb{0, 1, 0};
    case 'b':
      return Rgb{0, 0, 1};
    case 'c':
      return Rgb{0, 1, 1};
    case 'm':
      return Rgb{1, 0, 1};
    case 'y':
      return Rgb{1, 1, 0};
    case 'k':
      return Rgb{0, 0, 0};
    case 'w':
      return Rgb{1, 1, 1};
    default:
      return std::nullopt;
  }
}

LineSpec parse_line_spec(std::string_view spec) {
  LineSpec out;
  bool has_marker = false, has_style = false;
  size_t i = 0;
  auto bad = [&] { throw RuntimeError("Invalid line spec \"" + std::string(spec) + "\"."); };
  while (i < spec.size()) {
    char c = spec[i];
    if (auto color = color_for_letter(c)) {
      out.color = *color;
      ++i;
    } else if (c == '-') {
      if (has_style) bad();
      has_style = true;
      if (i + 1 < spec.size() && (spec[i + 1] == '-' || spec[i + 1] == '.')) {
        out.line_style = std::string(spec.substr(i, 2));
        i += 2;
      } else {
        out.line_style = "-";
        ++i;
      }
    } else if (c == ':') {
      if (has_style) bad();
      has_style = true;
      out.line_style = ":";
      ++i;
    } else if (std::string_view("*os+x.d^v<>ph").find(c) != std::string_view::npos) {
      if (has_marker) bad();
      has_marker = true;
      out.marker = std::string(1, c);
      ++i;
    } else {
      bad();
    }
  }
  if (has_marker && !has_style) out.line_style = "none";
  return out;
}

Graphics::Graphics() {
  GraphicsObject root;
  root.handle = 0;
  root.type = ObjectType::root;
  objects_[0] = root;
}

void Graphics::set_listener(std::function<void(Handle, FigureEvent)> listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

void Graphics::notify(Handle figure, FigureEvent event) {
  if (listener_) listener_(figure, event);
}

std::unique_ptr<Graphics> Graphics::copy_figure(Handle figure) const {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(figure);
  if (it == objects_.end() || it->second.type != ObjectType::figure)
    throw RuntimeError("There is no open window with the handle " + std::to_string(figure) + ".");
  auto out = std::make_unique<Graphics>();
  std::vector<Handle> pending{figure};
  while (!pending.empty()) {
    const GraphicsObject& o = objects_.at(pending.back());
    pending.pop_back();
    out->objects_[o.handle] = o;
    pending.insert(pending.end(), o.children.begin(), o.children.end());
    if (o.title != 0 && objects_.count(o.title)) out->objects_[o.title] = objects_.at(o.title);
  }
  out->objects_.at(0).children = {figure};
  out->order_ = {figure};
  out->next_object_ = next_object_;
  return out;
}

Handle Graphics::new_object(ObjectType type, Handle parent) {
  Handle h = next_object_++;
  GraphicsObject o;
  o.handle = h;
  o.type = type;
  o.parent = parent;
  objects_[h] = o;
  auto& siblings = objects_.at(parent).children;
  siblings.insert(siblings.begin(), h);
  return h;
}

Handle Graphics::new_figure() {
  std::lock_guard lock(mutex_);
  Handle h = 1;
  while (objects_.count(h)) ++h;
  GraphicsObject f;
  f.handle = h;
  f.type = ObjectType::figure;
  f.parent = 0;
  f.name = "Figure " + std::to_string(h);
  objects_[h] = f;
  auto& roots = objects_.at(0).children;
  roots.insert(roots.begin(), h);
  order_.insert(order_.begin(), h);
  notify(h, FigureEvent::opened);
  return h;
}

Handle Graphics::add_main_window(const std::array<double, 4>& position, const std::string& units) {
  std::lock_guard lock(mutex_);
  Handle h = new_object(ObjectType::figure, 0);
  auto& f = objects_.at(h);
  f.main_window = true;
  f.position = position;
  f.units = units;
  f.name = "Velmora3d";
  order_.insert(order_.begin(), h);
  return h;
}

void Graphics::figure(Handle h) {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(h);
  if (it == objects_.end() || it->second.type != ObjectType::figure)
    throw RuntimeError("There is no open window with the handle " + std::to_string(h) + ".");
  erase_handle(order_, h);
  order_.insert(order_.begin(), h);
}

Handle Graphics::current_figure() const {
  std::lock_guard lock(mutex_);
  return order_.empty() ? 0 : order_.front();
}

Handle Graphics::gcf() {
  std::lock_guard lock(mutex_);
  if (!order_.empty()) return order_.front();
  return new_figure();
}

Handle Graphics::axes_of(Handle figure) {
  std::lock_guard lock(mutex_);
  GraphicsObject& f = mutable_object(figure);
  for (Handle c : f.children)
    if (objects_.at(c).type == ObjectType::axes) return c;
  Handle a = new_object(ObjectType::axes, figure);
  notify(figure, FigureEvent::changed);
  return a;
}

Handle Graphics::gca() {
  std::lock_guard lock(mutex_);
  return axes_of(gcf());
}

void Graphics::delete_tree(Handle h) {
  GraphicsObject o = objects_.at(h);
  for (Handle c : o.children) delete_tree(c);
  if (o.title != 0 && objects_.count(o.title)) objects_.erase(o.title);
  objects_.erase(h);
}

void Graphics::close(Handle figure) {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(figure);
  if (it == objects_.end() || it->second.type != ObjectType::figure) return;
  delete_tree(figure);
  erase_handle(objects_.at(0).children, figure);
  erase_handle(order_, figure);
  notify(figure, FigureEvent::closed);
}

void Graphics::clf(Handle figure) {
  std::lock_guard lock(mutex_);
  GraphicsObject& f = mutable_object(figure);
  std::vector<Handle> children = f.children;
  for (Handle c : children) delete_tree(c);
  objects_.at(figure).children.clear();
  notify(figure, FigureEvent::cleared);
}

// Axes that are not held are emptied for a new plot: their children and
// title go and their settings return to the defaults. The map keeps `axes`
// valid while its children are erased.
void Graphics::reset_axes(GraphicsObject& axes) {
  if (axes.hold) return;
  const std::vector<Handle> children = axes.children;
  for (Handle c : children) delete_tree(c);
  axes.children.clear();
  if (axes.title != 0) {
    objects_.erase(axes.title);
    axes.title = 0;
  }
  axes.axis_on = true;
  axes.axis_equal = false;
  axes.camera_position.reset();
  axes.flat = false;
  axes.xlabel.clear();
  axes.ylabel.clear();
  axes.xticks.clear();
  axes.colour_limits.reset();
  axes.colour_label.clear();
}

Handle Graphics::add_axes(Handle figure, const std::array<double, 4>& box) {
  std::lock_guard lock(mutex_);
  mutable_object(figure);
  const Handle a = new_object(ObjectType::axes, figure);
  objects_.at(a).box = box;
  notify(figure, FigureEvent::changed);
  return a;
}

void Graphics::set_current_axes(Handle axes) {
  std::lock_guard lock(mutex_);
  const GraphicsObject& a = mutable_object(axes);
  if (a.type != ObjectType::axes) throw RuntimeError("The handle " + std::to_string(axes) + " is no axes.");
  auto& siblings = objects_.at(a.parent).children;
  erase_handle(siblings, axes);
  siblings.insert(siblings.begin(), axes);
}

void Graphics::modify(Handle h, const std::function<void(GraphicsObject&)>& change) {
  std::lock_guard lock(mutex_);
  change(mutable_object(h));
  const Handle f = figure_of(h);
  if (f != 0) notify(f, FigureEvent::changed);
}

Handle Graphics::plot3(const Eigen::VectorXd& x, const Eigen::VectorXd& y, const Eigen::VectorXd& z,
                       std::string_view spec) {
  std::lock_guard lock(mutex_);
  const LineSpec ls = parse_line_spec(spec);
  if (x.size() != y.size() || x.size() != z.size()) throw RuntimeError("Vectors must be the same lengths.");
  Handle a = gca();
  reset_axes(objects_.at(a));
  Handle h = new_object(ObjectType::line, a);
  GraphicsObject& line = objects_.at(h);
  line.x = x;
  line.y = y;
  line.z = z;
  line.color = ls.color;
  line.line_style = ls.line_style;
  line.marker = ls.marker;
  notify(figure_of(a), FigureEvent::changed);
  return h;
}

Handle Graphics::surface(std::shared_ptr<const SurfaceShape> shape, const Rgb& colour) {
  std::lock_guard lock(mutex_);
  const Eigen::Index n = shape->vertices.rows();
  if (shape->triangles.size() > 0 && (shape->triangles.minCoeff() < 0 || shape->triangles.maxCoeff() >= n))
    throw RuntimeError("A surface's triangles name vertices beyond its " + std::to_string(n) + ".");
  if (shape->values.size() != 0 && shape->values.size() != n)
    throw RuntimeError("A surface needs one value a vertex or none.");
  Handle a = gca();
  reset_axes(objects_.at(a));
  Handle h = new_object(ObjectType::surface, a);
  GraphicsObject& o = objects_.at(h);
  o.shape = std::move(shape);
  o.color = colour;
  notify(figure_of(a), FigureEvent::changed);
  return h;
}

Handle Graphics::text(double x, double y, double z, const std::string& string) {
  std::lock_guard lock(mutex_);
  Handle a = gca();
  Handle h = new_object(ObjectType::text, a);
  GraphicsObject& t = objects_.at(h);
  t.string = string;
  t.text_position = Eigen::Vector3d(x, y, z);
  t.color = Rgb{0, 0, 0};
  notify(figure_of(a), FigureEvent::changed);
  return h;
}

Handle Graphics::title(const std::string& string) {
  std::lock_guard lock(mutex_);
  Handle a = gca();
  GraphicsObject& axes = objects_.at(a);
  if (axes.title == 0) {
    Handle h = next_object_++;
    GraphicsObject t;
    t.handle = h;
    t.type = ObjectType::text;
    t.parent = a;
    t.color = Rgb{0, 0, 0};
    t.font_size = 11;
    objects_[h] = t;
    objects_.at(a).title = h;
  }
  Handle t = objects_.at(a).title;
  objects_.at(t).string = string;
  notify(figure_of(a), FigureEvent::changed);
  return t;
}

void Graphics::hold(Handle axes, bool on) {
  std::lock_guard lock(mutex_);
  mutable_object(axes).hold = on;
}

void Graphics::axis(Handle axes, std::string_view mode) {
  std::lock_guard lock(mutex_);
  GraphicsObject& a = mutable_object(axes);
  if (mode == "on")
    a.axis_on = true;
  else if (mode == "off")
    a.axis_on = false;
  else if (mode == "equal")
    a.axis_equal = true;
  else if (mode == "auto")
    ;  // limits follow the data; the renderer always fits them
  else
    throw RuntimeError("Unknown axis mode \"" + std::string(mode) + "\".");
  notify(figure_of(axes), FigureEvent::changed);
}

void Graphics::set_camera_position(Handle axes, const Eigen::Vector3d& position) {
  std::lock_guard lock(mutex_);
  mutable_object(axes).camera_position = position;
  notify(figure_of(axes), FigureEvent::changed);
}

Handle Graphics::reserve_handle() {
  std::lock_guard lock(mutex_);
  return next_object_++;
}

bool Graphics::is_handle(Handle h) const {
  std::lock_guard lock(mutex_);
  return objects_.count(h) != 0;
}

const GraphicsObject& Graphics::object(Handle h) const {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(h);
  if (it == objects_.end()) throw RuntimeError("Invalid handle " + std::to_string(h) + ".");
  return it->second;
}

GraphicsObject& Graphics::mutable_object(Handle h) {
  auto it = objects_.find(h);
  if (it == objects_.end()) throw RuntimeError("Invalid handle " + std::to_string(h) + ".");
  return it->second;
}

std::vector<Handle> Graphics::figures() const {
  std::lock_guard lock(mutex_);
  return order_;
}

Handle Graphics::figure_of(Handle h) const {
  while (h != 0) {
    const GraphicsObject& o = objects_.at(h);
    if (o.type == ObjectType::figure) return h;
    h = o.parent;
  }
  return 0;
}

PropertyValue Graphics::get(Handle h, std::string_view property) const {
  std::lock_guard lock(mutex_);
  const GraphicsObject& o = object(h);
  const std::string p = lower_case(property);
  if (p == "type") return type_name(o.type);
  if (p == "tag") return o.tag;
  if (p == "parent") return static_cast<double>(o.parent);
  if (p == "children") return o.children;
  if (p == "visible") return std::string(o.visible ? "on" : "off");
  if (p == "name") return o.name;
  if (p == "position") {
    if (o.type == ObjectType::text) return Eigen::VectorXd(o.text_position);
    return Eigen::VectorXd(Eigen::Map<const Eigen::Vector4d>(o.position.data()));
  }
  if (p == "units") return o.units;
  if (p == "pointer") return o.pointer;
  if (p == "linestyle") return o.line_style;
  if (p == "linewidth") return o.line_width;
  if (p == "marker") return o.marker;
  if (p == "markersize") return o.marker_size;
  if (p == "markerfacecolor") {
    if (o.marker_face) return *o.marker_face;
    return std::string("none");
  }
  if (p == "color") return o.color;
  if (p == "string") return o.string;
  if (p == "cameraposition") {
    if (o.camera_position) return Eigen::VectorXd(*o.camera_position);
    return Eigen::VectorXd();
  }
  if (p == "camerapositionmode") return std::string(o.camera_position ? "manual" : "auto");
  if (p == "xlabel") return o.xlabel;
  if (p == "ylabel") return o.ylabel;
  if (p == "displayname") return o.display_name;
  if (o.type == ObjectType::text) {
    if (p == "fontsize") return o.font_size;
    if (p == "fontname") return o.font_name;
    if (p == "fontangle") return o.font_angle;
    if (p == "fontweight") return o.font_weight;
    if (p == "rotation") return o.rotation;
  }
  throw RuntimeError("There is no " + std::string(property) + " property on the " + type_name(o.type) + " object.");
}

void Graphics::set(Handle h, std::string_view property, const PropertyValue& value) {
  std::lock_guard lock(mutex_);
  GraphicsObject& o = mutable_object(h);
  const std::string p = lower_case(property);
  auto number = [&]() -> double {
    if (const double* d = std::get_if<double>(&value)) return *d;
    throw RuntimeError("The " + std::string(property) + " property needs a number.");
  };
  auto text = [&]() -> std::string {
    if (const std::string* s = std::get_if<std::string>(&value)) return *s;
    throw RuntimeError("The " + std::string(property) + " property needs a text.");
  };
  if (p == "tag") {
    o.tag = text();
  } else if (p == "visible") {
    o.visible = lower_case(text()) == "on";
  } else if (p == "name") {
    o.name = text();
  } else if (p == "position") {
    const auto* v = std::get_if<Eigen::VectorXd>(&value);
    if (v == nullptr || (v->size() != 4 && v->size() != 3))
      throw RuntimeError("The Position property needs 4 numbers.");
    if (o.type == ObjectType::text)
      o.text_position = v->head<3>();
    else
      for (int i = 0; i < 4; ++i) o.position[i] = (*v)(i);
  } else if (p == "units") {
    o.units = text();
  } else if (p == "pointer") {
    o.pointer = text();
  } else if (p == "linestyle") {
    o.line_style = text();
  } else if (p == "linewidth") {
    double w = number();
    if (!(w > 0)) throw RuntimeError("The LineWidth property must be greater than 0.");
    o.line_width = w;
  } else if (p == "marker") {
    o.marker = text();
  } else if (p == "markersize") {
    double s = number();
    if (!(s > 0)) throw RuntimeError("The MarkerSize property must be greater than 0.");
    o.marker_size = s;
  } else if (p == "markerfacecolor") {
    if (const Rgb* c = std::get_if<Rgb>(&value))
      o.marker_face = *c;
    else if (lower_case(text()) == "none")
      o.marker_face.reset();
    else
      throw RuntimeError("The MarkerFaceColor property needs a colour or \"none\".");
  } else if (p == "color") {
    if (const Rgb* c = std::get_if<Rgb>(&value))
      o.color = *c;
    else
      throw RuntimeError("The Color property needs a colour.");
  } else if (p == "string") {
    o.string = text();
  } else if (p == "cameraposition") {
    const auto* v = std::get_if<Eigen::VectorXd>(&value);
    if (v == nullptr || v->size() != 3) throw RuntimeError("The CameraPosition property needs 3 numbers.");
    o.camera_position = Eigen::Vector3d(*v);
  } else if (p == "camerapositionmode") {
    // "auto" gives the camera back to the default view; "manual" keeps it where it is.
    const std::string mode = lower_case(text());
    if (mode == "auto")
      o.camera_position.reset();
    else if (mode != "manual")
      throw RuntimeError("The CameraPositionMode property is auto or manual, not \"" + text() + "\".");
  } else if (p == "xlabel") {
    o.xlabel = text();
  } else if (p == "ylabel") {
    o.ylabel = text();
  } else if (p == "displayname") {
    o.display_name = text();
  } else if (o.type == ObjectType::text && p == "fontsize") {
    const double size = number();
    if (!(size > 0) || !std::isfinite(size))
      throw RuntimeError("The FontSize property must be a number greater than 0.");
    o.font_size = size;
  } else if (o.type == ObjectType::text && p == "fontname") {
    const std::string name = text();
    if (name.empty()) throw RuntimeError("The FontName property needs the name of a font.");
    o.font_name = name;
  } else if (o.type == ObjectType::text && p == "fontangle") {
    const std::string angle = lower_case(text());
    if (angle != "normal" && angle != "italic" && angle != "oblique")
      throw RuntimeError("The FontAngle property is normal, italic or oblique, not \"" + text() + "\".");
    o.font_angle = angle;
  } else if (o.type == ObjectType::text && p == "fontweight") {
    const std::string weight = lower_case(text());
    if (weight != "normal" && weight != "bold" && weight != "light" && weight != "demi")
      throw RuntimeError("The FontWeight property is normal, bold, light or demi, not \"" + text() + "\".");
    o.font_weight = weight;
  } else if (o.type == ObjectType::text && p == "rotation") {
    const double degrees = number();
    if (!std::isfinite(degrees)) throw RuntimeError("The Rotation property needs a number of degrees.");
    o.rotation = degrees;
  } else {
    throw RuntimeError("There is no " + std::string(property) + " property on the " + type_name(o.type) + " object.");
  }
  Handle f = figure_of(h);
  if (f != 0) notify(f, FigureEvent::changed);
}

}  // namespace velmora
