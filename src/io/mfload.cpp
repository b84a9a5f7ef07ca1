#include "io/mfload.h"

#include "io/dload2c.h"

namespace velmora {

std::optional<LoadedTable> mfload(UiPort& ui) {
  const std::optional<FileChoice> choice = ui.open_file("*.*", "Enter file to Load?");
  if (!choice) return std::nullopt;
  ui.set_working_folder(choice->folder);
  return LoadedTable{dload2c(choice->path(), ui).table, choice->name};
}

}  // namespace velmora
