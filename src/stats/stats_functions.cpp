#include "stats/stats_functions.h"

#include "runtime/error.h"
#include "stats/chi2cdf.h"
#include "stats/distchck.h"
#include "stats/fcdf.h"
#include "stats/gamcdf.h"

namespace velmora {

void register_stats_functions(FunctionTable& table) {
  table.add({"fcdf", 3, 1, [](const std::vector<Value>& args, int) {
               if (args.size() < 3) throw RuntimeError("Requires three input arguments.");
               return std::vector<Value>{
                   fcdf(as_matrix(args[0], "fcdf", 1), as_matrix(args[1], "fcdf", 2), as_matrix(args[2], "fcdf", 3))};
             }});
  table.add({"chi2cdf", 2, 1, [](const std::vector<Value>& args, int) {
               if (args.size() < 2) throw RuntimeError("Requires two input arguments.");
               return std::vector<Value>{chi2cdf(as_matrix(args[0], "chi2cdf", 1), as_matrix(args[1], "chi2cdf", 2))};
             }});
  table.add({"gamcdf", 3, 1, [](const std::vector<Value>& args, int) {
               if (args.size() < 2) throw RuntimeError("Requires at least two input arguments.");
               const Eigen::MatrixXd b =
                   args.size() < 3 ? Eigen::MatrixXd::Ones(1, 1) : as_matrix(args[2], "gamcdf", 3);
               return std::vector<Value>{gamcdf(as_matrix(args[0], "gamcdf", 1), as_matrix(args[1], "gamcdf", 2), b)};
             }});
  table.add({"distchck", -2, -2, [](const std::vector<Value>& args, int outputs) {
               if (args.empty()) throw RuntimeError("distchck: nparms is missing.");
               std::vector<Eigen::MatrixXd> rest;
               for (size_t i = 1; i < args.size(); ++i)
                 rest.push_back(as_matrix(args[i], "distchck", static_cast<int>(i) + 1));
               const CheckedArguments checked =
                   distchck(as_scalar(args[0], "distchck", 1), rest, outputs > 1 ? outputs - 1 : 0);
               std::vector<Value> out{Eigen::MatrixXd::Constant(1, 1, checked.errorcode)};
               for (const auto& a : checked.arguments) out.emplace_back(a);
               return out;
             }});
}

}  // namespace velmora
