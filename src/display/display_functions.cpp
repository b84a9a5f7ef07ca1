#include "display/display_functions.h"

#include <string>

#include "display/campos.h"
#include "display/clf.h"
#include "display/incrementlinethickness.h"
#include "display/incrementsymbolsize.h"
#include "display/setsymbolfill.h"
#include "display/showshape3D.h"
#include "display/title.h"
#include "display/wireshape3D.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

using Args = std::vector<Value>;

// Argument `position` (counted from 1), or the message that it is missing.
const Value& argument(const Args& args, std::string_view function, int position) {
  if (static_cast<int>(args.size()) < position)
    throw RuntimeError("Not enough input arguments: the function \"" + std::string(function) + "\" needs argument " +
                       std::to_string(position) + ".");
  return args[position - 1];
}

Handle as_handle(const Value& v, std::string_view function, int position) {
  return static_cast<Handle>(as_scalar(v, function, position));
}

Value scalar(double v) { return Eigen::MatrixXd::Constant(1, 1, v); }

// A property value given by name: a text, a number, a colour or a row.
PropertyValue property_value(const Value& v, std::string_view property) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* m = std::get_if<Eigen::MatrixXd>(&v)) {
    if (m->size() == 1) return (*m)(0, 0);
    if (m->size() == 3 && lower_case(property).find("color") != std::string::npos)
      return Rgb{(*m)(0), (*m)(1), (*m)(2)};
    return Eigen::VectorXd(m->reshaped());
  }
  throw RuntimeError("The value for the " + std::string(property) + " property must be a text or numbers.");
}

// campos as compiled: no argument returns the camera position of the current
// axes; an axes handle first names the target; a text "mode" asks for the mode.
std::vector<Value> campos_by_name(Graphics& graphics, const Args& args) {
  auto position_of = [&](Handle axes) -> Value { return Eigen::MatrixXd(camera_position(graphics, axes).transpose()); };
  if (args.empty()) return {position_of(graphics.gca())};
  Handle target = 0;
  const Value* value = nullptr;
  const auto* first = std::get_if<Eigen::MatrixXd>(&args[0]);
  const bool first_is_axes = first != nullptr && first->size() == 1 &&
                             graphics.is_handle(static_cast<Handle>((*first)(0, 0))) &&
                             static_cast<double>(static_cast<Handle>((*first)(0, 0))) == (*first)(0, 0) &&
                             graphics.object(static_cast<Handle>((*first)(0, 0))).type == ObjectType::axes;
  if (first_is_axes) {
    target = static_cast<Handle>((*first)(0, 0));
    if (args.size() == 1) return {position_of(target)};
    value = &args[1];
  } else {
    if (args.size() == 2) throw RuntimeError("Wrong number of arguments");
    target = graphics.gca();
    value = &args[0];
  }
  if (const auto* text = std::get_if<std::string>(value)) {
    if (*text == "mode") return {std::get<std::string>(graphics.get(target, "CameraPositionMode"))};
    graphics.set(target, "CameraPositionMode", *text);
    return {};
  }
  const Eigen::MatrixXd& p = as_matrix(*value, "campos", first_is_axes ? 2 : 1);
  if (p.size() != 3) throw RuntimeError("The camera position needs 3 numbers [x y z].");
  graphics.set(target, "CameraPosition", Eigen::VectorXd(p.reshaped()));
  return {};
}

std::vector<Value> title_by_name(Graphics& graphics, const Args& args, int outputs) {
  if (args.size() > 1 && (args.size() - 1) % 2 == 1) throw RuntimeError("Incorrect number of input arguments");
  const Handle t = title(graphics, as_text(argument(args, "title", 1), "title", 1));
  for (size_t i = 1; i + 1 < args.size(); i += 2) {
    const std::string& name = as_text(args[i], "title", static_cast<int>(i + 1));
    graphics.set(t, name, property_value(args[i + 1], name));
  }
  if (outputs > 0) return {scalar(t)};
  return {};
}

}  // namespace

void register_display_functions(FunctionTable& table, UiPort& ui) {
  UiPort* port = &ui;
  table.add({"showshape3D", 2, 0, [port](const Args& args, int) {
               showshape3D(port->graphics(), as_sample(argument(args, "showshape3D", 1), "showshape3D", 1),
                           as_text(argument(args, "showshape3D", 2), "showshape3D", 2));
               return Args{};
             }});
  table.add({"wireshape3D", 3, 0, [port](const Args& args, int) {
               const Eigen::MatrixXd& x = as_matrix(argument(args, "wireshape3D", 1), "wireshape3D", 1);
               const Eigen::MatrixXd& wirelist = as_matrix(argument(args, "wireshape3D", 2), "wireshape3D", 2);
               const std::string color = args.size() > 2 ? as_text(args[2], "wireshape3D", 3) : std::string("b-");
               wireshape3D(port->graphics(), port->console(), x, wirelist, color);
               return Args{};
             }});
  table.add({"incrementlinethickness", 2, 0, [port](const Args& args, int) {
               const Handle h = as_handle(argument(args, "incrementlinethickness", 1), "incrementlinethickness", 1);
               const double weight =
                   as_scalar(argument(args, "incrementlinethickness", 2), "incrementlinethickness", 2);
               if (!incrementlinethickness(port->graphics(), h, weight))
                 port->console().write("Lines cannot be thinner than 0.5 points: no line width was changed.\n");
               return Args{};
             }});
  table.add({"incrementsymbolsize", 2, 0, [port](const Args& args, int) {
               const Handle h = as_handle(argument(args, "incrementsymbolsize", 1), "incrementsymbolsize", 1);
               const double step = as_scalar(argument(args, "incrementsymbolsize", 2), "incrementsymbolsize", 2);
               if (!incrementsymbolsize(port->graphics(), h, step))
                 port->console().write("Markers cannot be smaller than 1 point: no marker size was changed.\n");
               return Args{};
             }});
  table.add({"setsymbolfill", 2, 0, [port](const Args& args, int) {
               setsymbolfill(port->graphics(), as_handle(argument(args, "setsymbolfill", 1), "setsymbolfill", 1),
                             as_scalar(argument(args, "setsymbolfill", 2), "setsymbolfill", 2));
               return Args{};
             }});
  table.add({"clf", -1, 1, [port](const Args&, int outputs) {
               const Handle h = clf(port->graphics());
               if (outputs > 0) return Args{scalar(h)};
               return Args{};
             }});
  table.add({"campos", 2, 1, [port](const Args& args, int) { return campos_by_name(port->graphics(), args); }});
  table.add({"title", -2, 1,
             [port](const Args& args, int outputs) { return title_by_name(port->graphics(), args, outputs); }});
}

}  // namespace velmora
