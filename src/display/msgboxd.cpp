#include "display/msgboxd.h"

#include <cctype>
#include <cstdio>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

struct CreateFlag {
  bool flag = false;
  std::string mode = "non-modal";
  std::string interpreter = "none";
};

// A create mode is one of the three mode texts (alone or as a one-element list).
CreateFlag internal_create_flag(const Value& v) {
  CreateFlag out;
  const std::string* text = std::get_if<std::string>(&v);
  if (const auto* list = std::get_if<std::vector<std::string>>(&v); list != nullptr && list->size() == 1)
    text = &list->front();
  if (text != nullptr && (*text == "non-modal" || *text == "modal" || *text == "replace")) {
    out.flag = true;
    out.mode = *text;
  }
  return out;
}

std::string text_argument(const Value& v, int position) { return as_text(v, "msgboxd", position); }

std::vector<std::string> body_lines(const Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return {*s};
  if (const auto* list = std::get_if<std::vector<std::string>>(&v)) return *list;
  if (const auto* m = std::get_if<Eigen::MatrixXd>(&v)) {
    // Numbers shown as text, one row per line.
    std::vector<std::string> out;
    for (Eigen::Index i = 0; i < m->rows(); ++i) {
      std::string line;
      for (Eigen::Index j = 0; j < m->cols(); ++j) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%g", j == 0 ? "" : "  ", (*m)(i, j));
        line += buf;
      }
      out.push_back(line);
    }
    return out;
  }
  throw RuntimeError("msgboxd: the message must be a text or a list of texts.");
}

}  // namespace

MsgboxdRequest msgboxd_arguments(const std::vector<Value>& args) {
  MsgboxdRequest r;
  if (args.empty()) throw RuntimeError("Not enough input arguments.");
  if (args.size() > 6) throw RuntimeError(declared_count_message("msgboxd", "inputs", 6));
  r.body = body_lines(args[0]);
  if (!r.body.empty() && r.body.front() == "#FigKeyPressFcn") {
    r.key_press = true;
    return r;
  }
  CreateFlag flag;
  switch (args.size()) {
    case 1:
      break;
    case 2:
      flag = internal_create_flag(args[1]);
      if (!flag.flag) r.title = text_argument(args[1], 2);
      break;
    case 3:
      r.title = text_argument(args[1], 2);
      flag = internal_create_flag(args[2]);
      if (!flag.flag) r.icon = text_argument(args[2], 3);
      break;
    case 4:
      r.title = text_argument(args[1], 2);
      r.icon = text_argument(args[2], 3);
      flag = internal_create_flag(args[3]);
      break;
    case 5:
      r.title = text_argument(args[1], 2);
      r.icon = text_argument(args[2], 3);
      r.icon_data = as_matrix(args[3], "msgboxd", 4);
      if (internal_create_flag(args[4]).flag)
        throw RuntimeError("A Colormap must be specified when calling MSGBOX with 5 input arguments.");
      r.icon_colormap = as_matrix(args[4], "msgboxd", 5);
      if (lower_case(r.icon) != "custom") {
        r.warnings.push_back("Icon must be 'custom' when specifying icon data in MSGBOX");
        r.icon = "custom";
      }
      break;
    case 6:
      r.title = text_argument(args[1], 2);
      r.icon = text_argument(args[2], 3);
      r.icon_data = as_matrix(args[3], "msgboxd", 4);
      r.icon_colormap = as_matrix(args[4], "msgboxd", 5);
      flag = internal_create_flag(args[5]);
      break;
  }
  if (flag.flag) {
    r.mode = flag.mode;
    r.interpreter = flag.interpreter;
  }
  r.mode = lower_case(r.mode);
  if (r.mode != "non-modal" && r.mode != "modal" && r.mode != "replace") {
    r.warnings.push_back("Invalid string for CreateMode in MSGBOX.");
    r.mode = "non-modal";
  }
  r.icon = lower_case(r.icon);
  if (r.icon != "none" && r.icon != "help" && r.icon != "warn" && r.icon != "error" && r.icon != "custom") {
    r.warnings.push_back("Invalid string for Icon in MSGBOX.");
    r.icon = "none";
  }
  return r;
}

}  // namespace velmora
