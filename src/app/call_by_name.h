// `velmora3d NAME [ARG ...]`: one function of the call-by-name table from the shell.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "runtime/function_table.h"

namespace velmora {

/// An argument as typed: a number, a matrix such as "[1 2 3; 4 5 6]", or a text.
Value parse_argument(const std::string& text);

/// Calls `name` with `args` asking for `outputs` results and echoes them as
/// ans1, ans2, ... on `out`; failures are printed on `err`. Returns 0, or 1 when
/// the call failed (whatever it threw: a run-time error, memory running out, a
/// file system error) or the results could not be written.
int call_by_name(const std::string& name, const std::vector<std::string>& args, int outputs, std::ostream& out,
                 std::ostream& err);

/// The same with the functions of `table`.
int call_by_name(const FunctionTable& table, const std::string& name, const std::vector<std::string>& args, int outputs,
                 std::ostream& out, std::ostream& err);

}  // namespace velmora
