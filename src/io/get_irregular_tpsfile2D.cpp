#include "io/get_irregular_tpsfile2D.h"

#include "io/open_input.h"

namespace velmora {

IrregularTps get_irregular_tpsfile2D(std::istream& in, std::string_view source, Console& console) {
  return read_irregular_tps(in, source, console, 2);
}

std::optional<LoadedIrregularTps> get_irregular_tpsfile2D(UiPort& ui) {
  const std::optional<FileChoice> choice = ui.open_file("*.txt", "Specify 2D input file to load");
  if (!choice) return std::nullopt;
  ui.set_working_folder(choice->folder);
  std::ifstream in = open_input(choice->path(), ui.console());
  LoadedIrregularTps out{get_irregular_tpsfile2D(in, choice->name, ui.console()), choice->name};
  if (!out.file.notice.empty()) {
    ui.console().write(out.file.notice + "\n");
    ui.message_box(out.file.notice, "Velmora3d", MessageMode::non_modal);
  }
  return out;
}

}  // namespace velmora
