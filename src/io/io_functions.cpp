#include "io/io_functions.h"

#include <filesystem>
#include <string>

#include "io/dload.h"
#include "io/dload2c.h"
#include "io/get_irregular_tpsfile2D.h"
#include "io/get_irregular_tpsfile3D.h"
#include "io/gettpsfile3D.h"
#include "io/mfload.h"
#include "io/mfloadtxt.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using Args = std::vector<Value>;

[[noreturn]] void cancelled(const char* name) {
  throw RuntimeError(std::string("The function \"") + name + "\" read nothing: the file dialog was cancelled.");
}

std::filesystem::path file_argument(const Args& a, const char* name, UiPort& ui) {
  if (a.empty()) throw RuntimeError(std::string("The function \"") + name + "\" needs the file name as its input.");
  std::filesystem::path p(as_text(a[0], name, 1));
  if (p.is_relative()) p = ui.working_folder() / p;
  return p;
}

Value rows_to_list(const std::vector<Eigen::RowVectorXd>& rows) {
  std::vector<Eigen::MatrixXd> out;
  out.reserve(rows.size());
  for (const auto& r : rows) out.emplace_back(r);
  return out;
}

Args irregular_results(const std::optional<LoadedIrregularTps>& r, const char* name) {
  if (!r) cancelled(name);
  return {rows_to_list(r->file.y), Eigen::MatrixXd(r->file.ny), r->fname, r->file.namelist};
}

}  // namespace

void register_io_functions(FunctionTable& table, UiPort& ui) {
  UiPort* port = &ui;
  table.add({"mfload", 1, 2, [port](const Args&, int) -> Args {
               std::optional<LoadedTable> r = mfload(*port);
               if (!r) cancelled("mfload");
               return {r->table, r->fname};
             }});
  table.add({"mfloadtxt", 1, 2, [port](const Args&, int) -> Args {
               std::optional<LoadedTable> r = mfloadtxt(*port);
               if (!r) cancelled("mfloadtxt");
               return {r->table, r->fname};
             }});
  table.add({"dload2c", 1, 2, [port](const Args& a, int) -> Args {
               CommentedTable r = dload2c(file_argument(a, "dload2c", *port), *port);
               return {r.table, r.comments};
             }});
  table.add({"dload", 1, 1, [port](const Args& a, int) -> Args {
               return {dload(file_argument(a, "dload", *port), port->console())};
             }});
  table.add({"gettpsfile3D", 1, 3, [port](const Args&, int) -> Args {
               std::optional<TpsFile> r = gettpsfile3D(*port);
               if (!r) cancelled("gettpsfile3D");
               return {r->y, r->fname, r->namelist};
             }});
  table.add({"get_irregular_tpsfile3D", 1, 4, [port](const Args&, int) -> Args {
               return irregular_results(get_irregular_tpsfile3D(*port), "get_irregular_tpsfile3D");
             }});
  table.add({"get_irregular_tpsfile2D", 1, 4, [port](const Args&, int) -> Args {
               return irregular_results(get_irregular_tpsfile2D(*port), "get_irregular_tpsfile2D");
             }});
}

}  // namespace velmora
