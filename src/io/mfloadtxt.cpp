#include "io/mfloadtxt.h"

#include "io/dload.h"

namespace velmora {

std::optional<LoadedTable> mfloadtxt(UiPort& ui) {
  const std::optional<FileChoice> choice = ui.open_file("*.txt", "Enter file to Load?");
  if (!choice) return std::nullopt;
  ui.set_working_folder(choice->folder);
  return LoadedTable{dload(choice->path(), ui.console()), choice->name};
}

}  // namespace velmora
