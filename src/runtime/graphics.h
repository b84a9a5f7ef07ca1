// The graphics object model: windows, axes, lines and text, without drawing.
#pragma once

#include <Eigen/Dense>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

/// Names a graphics object: 0 is the root (the screen), 1, 2, ... are plot
/// windows (figures); the main window and every axes, line and text object get
/// handles from 100001 up.
using Handle = int;

enum class ObjectType { root, figure, axes, line, text, surface };

/// "root", "figure", "axes", "line", "text", "surface".
std::string type_name(ObjectType type);

struct Rgb {
  double r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

/// Colour letters r g b c m y k w.
std::optional<Rgb> color_for_letter(char letter);

/// A parsed line spec such as "r*", "bo", "k-.", "b-" or "g".
struct LineSpec {
  Rgb color{0, 0, 1};
  std::string line_style = "-";  // "-", "--", ":", "-." or "none"
  std::string marker = "none";   // "*", "o", "s", "p", "+", "x", ".", "d", "^", "v", "<", ">", "h" or "none"
};

/// A marker without a line style draws markers only; a colour alone, or a line
/// style, draws lines. An invalid line spec throws RuntimeError naming it.
LineSpec parse_line_spec(std::string_view spec);

/// The triangles of a surface object; shared, never changed, between copies
/// of the model.
struct SurfaceShape {
  Eigen::MatrixXd vertices;                                          // n by 3
  Eigen::Matrix<int, Eigen::Dynamic, 3, Eigen::RowMajor> triangles;  // m by 3, vertex rows from 0
  Eigen::VectorXd values;  // n: each vertex's value on the axes' colour key; empty: the surface's Color
};

struct GraphicsObject {
  Handle handle = 0;
  ObjectType type = ObjectType::root;
  Handle parent = 0;
  std::vector<Handle> children;  // newest first
  std::string tag;
  bool visible = true;

  // figure
  std::string name;
  std::array<double, 4> position{0, 0, 560, 420};  // left bottom width height
  std::string units = "pixels";
  bool main_window = false;
  std::string pointer = "arrow";

  // axes
  bool hold = false;
  bool axis_on = true;
  bool axis_equal = false;
  std::optional<Eigen::Vector3d> camera_position;  // nothing: the default 3D view
  Handle title = 0;                                // the title text object (kept apart from the children)
  bool flat = false;                               // a flat x-y plot (z not drawn): no tilt, ticks and axis names
  std::string xlabel, ylabel;
  std::optional<std::array<double, 4>> box;            // the plot's left bottom width height as parts of the window
  std::vector<double> xticks;                          // fixed x ticks of a flat plot (empty: from the limits)
  std::optional<std::array<double, 2>> colour_limits;  // a colour key: values low..high over the colour map
  std::string colour_label;                            // the key's name

  // line
  Eigen::VectorXd x, y, z;
  Rgb color{0, 0, 1};
  std::string line_style = "-";
  double line_width = 0.5;
  std::string marker = "none";
  double marker_size = 6;
  std::optional<Rgb> marker_face;  // nothing: "none" (hollow)
  std::vector<std::string> names;  // one a point: what the point is (shown on hover), or empty
  Eigen::VectorXd colour_values;   // one a point: the segment from point i (and its marker) takes the
                                   // colour of value i on the axes' colour key; empty: `color`
  std::optional<Rgb> fill;         // fills each run of points (between non-finite ones) as a polygon
  bool arrows = false;             // an arrowhead at the end of each run of segments
  std::string display_name;        // the line's entry in a flat plot's legend
  std::string legend_with;         // a flat plot: the legend row (a display name) this line is hidden with

  // surface (also uses `color`)
  std::shared_ptr<const SurfaceShape> shape;
  double face_alpha = 1;  // 1 opaque; less lets the surfaces behind show through

  // text (also uses `color`)
  std::string string;
  Eigen::Vector3d text_position = Eigen::Vector3d::Zero();
  double font_size = 10;  // points
  std::string font_name = "DejaVu Sans";
  std::string font_angle = "normal";   // "normal", "italic" or "oblique"
  std::string font_weight = "normal";  // "normal", "bold", "light" or "demi"
  double rotation = 0;                 // degrees, counterclockwise
};

/// A property value for the get and set by name.
using PropertyValue = std::variant<double, std::string, Rgb, std::vector<Handle>, Eigen::VectorXd>;

enum class FigureEvent { opened, closed, cleared, changed };

class Graphics {
 public:
  Graphics();

  /// Called after every change of a figure (from the thread that made it).
  void set_listener(std::function<void(Handle, FigureEvent)> listener);

  /// Opens a new plot window with the lowest unused positive handle; it becomes current.
  Handle new_figure();
  /// Registers the main window (a figure that shows no plot); it becomes current.
  Handle add_main_window(const std::array<double, 4>& position, const std::string& units);
  /// Makes a window current; throws RuntimeError when `h` names no open window.
  void figure(Handle h);
  /// The current window, 0 when none is open.
  Handle current_figure() const;
  /// The current window, opening a new plot window when none is open.
  Handle gcf();
  /// The current axes of the current window, created when missing.
  Handle gca();
  /// The current axes of a window, created when missing.
  Handle axes_of(Handle figure);
  /// Closes a window and everything in it; the most recently current window
  /// that stays open becomes current.
  void close(Handle figure);
  /// Deletes every object of a window; the window stays open.
  void clf(Handle figure);

  /// One line object through the points in the current axes. When the axes do
  /// not hold, their children are deleted and their properties reset first.
  Handle plot3(const Eigen::VectorXd& x, const Eigen::VectorXd& y, const Eigen::VectorXd& z, std::string_view spec);
  /// A surface object in the current axes, drawn shaded in `colour` (or by
  /// its values on the axes' colour key). Axes that do not hold are emptied
  /// first, as by plot3. Throws RuntimeError for a triangle naming a vertex
  /// that does not exist.
  Handle surface(std::shared_ptr<const SurfaceShape> shape, const Rgb& colour);
  /// New axes in window `figure` whose plot fills `box` (left bottom width
  /// height, as parts of the window); they become the current axes.
  Handle add_axes(Handle figure, const std::array<double, 4>& box);
  /// Makes `axes` the current axes of its window.
  void set_current_axes(Handle axes);
  /// Changes an object in place (for the properties without a name: point
  /// names, colour values, fills, keys) and tells the window.
  void modify(Handle h, const std::function<void(GraphicsObject&)>& change);
  /// A text object at a 3D point of the current axes.
  Handle text(double x, double y, double z, const std::string& string);
  /// Sets the title of the current axes; returns the title text object.
  Handle title(const std::string& string);
  void hold(Handle axes, bool on);
  /// "auto", "equal", "on" or "off".
  void axis(Handle axes, std::string_view mode);
  void set_camera_position(Handle axes, const Eigen::Vector3d& position);

  /// A handle number for an object kept outside the model (a control).
  Handle reserve_handle();

  bool is_handle(Handle h) const;
  const GraphicsObject& object(Handle h) const;
  /// Every open window, main window included, most recently current first.
  std::vector<Handle> figures() const;

  /// Property by name (case-insensitive): Type, Tag, Parent, Children, Visible,
  /// Name, Position, Units, Pointer, LineStyle, LineWidth, Marker, MarkerSize,
  /// MarkerFaceColor ("none" or a colour), Color, String, CameraPosition,
  /// CameraPositionMode ("auto": the default view; "manual": a placed camera),
  /// XLabel, YLabel, DisplayName; text objects also FontSize, FontName,
  /// FontAngle, FontWeight, Rotation.
  PropertyValue get(Handle h, std::string_view property) const;
  void set(Handle h, std::string_view property, const PropertyValue& value);

  /// Held while reading the model from another thread (a window painting it).
  std::unique_lock<std::recursive_mutex> lock() const { return std::unique_lock(mutex_); }

  /// A model holding a copy of window `figure` and everything in it (same
  /// handles), to be drawn on another thread while this one goes on changing.
  /// Throws RuntimeError when `figure` names no open window.
  std::unique_ptr<Graphics> copy_figure(Handle figure) const;

 private:
  GraphicsObject& mutable_object(Handle h);
  Handle new_object(ObjectType type, Handle parent);
  void delete_tree(Handle h);
  Handle figure_of(Handle h) const;
  void notify(Handle figure, FigureEvent event);
  void reset_axes(GraphicsObject& axes);

  mutable std::recursive_mutex mutex_;
  std::map<Handle, GraphicsObject> objects_;
  std::vector<Handle> order_;  // open windows, most recently current first
  Handle next_object_ = 100001;
  std::function<void(Handle, FigureEvent)> listener_;
};

}  // namespace velmora
