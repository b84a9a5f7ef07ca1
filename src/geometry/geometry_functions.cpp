#include "geometry/geometry_functions.h"

#include <string>

#include "geometry/centsize3D.h"
#include "geometry/centsize3Da.h"
#include "geometry/d_slm_align.h"
#include "geometry/getpdistance3.h"
#include "geometry/getpproc3.h"
#include "geometry/getpprocon3.h"
#include "geometry/partialprocrustes3a.h"
#include "geometry/pick3points.h"
#include "geometry/svdrot2.h"
#include "geometry/vertxy3D.h"
#include "geometry/x1y1z1.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using Args = std::vector<Value>;

void need_inputs(const Args& args, std::size_t count, const char* name) {
  if (args.size() < count)
    throw RuntimeError("The function \"" + std::string(name) + "\" needs " + std::to_string(count) + " input" +
                       (count == 1 ? "" : "s") + "; it was given " + std::to_string(args.size()) + ".");
}

Eigen::MatrixXd scalar(double v) { return Eigen::MatrixXd::Constant(1, 1, v); }

/// A numeric argument read as one row, element by element in column order.
Eigen::RowVectorXd as_row(const Value& v, const char* function, int position) {
  const Eigen::MatrixXd& m = as_matrix(v, function, position);
  return Eigen::Map<const Eigen::RowVectorXd>(m.data(), m.size());
}

}  // namespace

void register_geometry_functions(FunctionTable& table) {
  table.add({"centsize3D", 1, 2, [](const Args& a, int) -> Args {
               need_inputs(a, 1, "centsize3D");
               CentredConfiguration r = centsize3D(as_matrix(a[0], "centsize3D", 1));
               return {r.y, scalar(r.ycs)};
             }});
  table.add({"centsize3Da", 1, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 1, "centsize3Da");
               return {scalar(centsize3Da(as_matrix(a[0], "centsize3Da", 1)))};
             }});
  table.add({"vertxy3D", 1, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 1, "vertxy3D");
               return {vertxy3D(as_matrix(a[0], "vertxy3D", 1))};
             }});
  table.add({"x1y1z1", 2, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 2, "x1y1z1");
               return {Eigen::MatrixXd(x1y1z1(as_matrix(a[0], "x1y1z1", 1), as_scalar(a[1], "x1y1z1", 2)))};
             }});
  table.add({"svdrot2", 2, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 2, "svdrot2");
               return {Eigen::MatrixXd(svdrot2(as_matrix(a[0], "svdrot2", 1), as_matrix(a[1], "svdrot2", 2)))};
             }});
  table.add({"partialprocrustes3a", 2, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 2, "partialprocrustes3a");
               return {partialprocrustes3a(as_matrix(a[0], "partialprocrustes3a", 1),
                                           as_matrix(a[1], "partialprocrustes3a", 2))};
             }});
  table.add({"getpproc3", 1, 2, [](const Args& a, int) -> Args {
               need_inputs(a, 1, "getpproc3");
               Superimposition r = getpproc3(as_sample(a[0], "getpproc3", 1));
               return {r.mean, r.aligned};
             }});
  table.add({"getpprocon3", 2, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 2, "getpprocon3");
               return {getpprocon3(as_matrix(a[0], "getpprocon3", 1), as_sample(a[1], "getpprocon3", 2))};
             }});
  table.add({"getpdistance3", 2, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 2, "getpdistance3");
               return {Eigen::MatrixXd(
                   getpdistance3(as_matrix(a[0], "getpdistance3", 1), as_sample(a[1], "getpdistance3", 2)))};
             }});
  table.add({"pick3points", 4, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 3, "pick3points");
               const double omitlast = a.size() > 3 ? as_scalar(a[3], "pick3points", 4) : 0.0;
               return {Eigen::MatrixXd(pick3points(as_row(a[0], "pick3points", 1), as_scalar(a[1], "pick3points", 2),
                                                   as_scalar(a[2], "pick3points", 3), omitlast))};
             }});
  table.add({"d_slm_align", 3, 1, [](const Args& a, int) -> Args {
               need_inputs(a, 3, "d_slm_align");
               return {d_slm_align(as_row(a[0], "d_slm_align", 1), as_matrix(a[1], "d_slm_align", 2),
                                   as_scalar(a[2], "d_slm_align", 3))
                           .y};
             }});
}

}  // namespace velmora
