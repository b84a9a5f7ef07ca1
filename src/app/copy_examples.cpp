// Copying the example studies out of the installed share folder.
#include "app/copy_examples.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "runtime/error.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// The files below `root` as paths relative to it, sorted so that a copy runs
// (and a failure reports) in the same order everywhere.
std::vector<fs::path> files_below(const fs::path& root) {
  std::vector<fs::path> out;
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error))
    if (it->is_regular_file()) out.push_back(it->path().lexically_relative(root));
  if (error) throw RuntimeError("Cannot read the example studies in " + root.string() + ": " + error.message());
  std::sort(out.begin(), out.end());
  return out;
}

// Removes what a failed copy made, newest first; folders only when empty.
void undo(const std::vector<fs::path>& made) {
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    std::error_code ignored;
    fs::remove(*it, ignored);  // a folder that holds something else fails, and so stays
  }
}

// Makes `folder` and the parents it lacks, noting each one made. A folder
// below `top` that is a link is refused: a link planted there would take the
// copies into another folder.
void make_folder(const fs::path& folder, std::vector<fs::path>& made, const fs::path& top) {
  std::error_code error;
  const fs::path relative = folder.lexically_relative(top);
  if (!relative.empty() && relative != "." && *relative.begin() != ".." &&
      fs::is_symlink(fs::symlink_status(folder, error)))
    throw RuntimeError("Nothing copied: " + folder.string() +
                       " is a link to another folder; the example studies are copied into folders of their own");
  if (fs::is_directory(folder, error)) return;
  if (folder.has_parent_path() && folder.parent_path() != folder) make_folder(folder.parent_path(), made, top);
  if (!fs::create_directory(folder, error) || error)
    throw RuntimeError("Cannot make the folder " + folder.string() + ": " +
                       (error ? error.message() : std::string("a file of that name is in the way")));
  made.push_back(folder);
}

}  // namespace

ExamplesCopy copy_examples(const fs::path& examples, const fs::path& destination) {
  ExamplesCopy copy{destination / "examples", destination / "demo-out", 0};
  std::error_code error;
  if (fs::exists(destination, error) && !fs::is_directory(destination, error))
    throw RuntimeError("Cannot copy the example studies into " + destination.string() + ": it is a file, not a folder");
  const std::vector<fs::path> files = files_below(examples);
  if (files.empty()) throw RuntimeError("There are no example studies in " + examples.string());

  // Refuse before anything is written, so nothing of the user's is replaced.
  std::vector<fs::path> in_the_way;
  for (const auto& file : files)
    if (fs::exists(fs::symlink_status(copy.folder / file, error))) in_the_way.push_back(copy.folder / file);
  if (!in_the_way.empty())
    throw RuntimeError("Nothing copied: " + std::to_string(in_the_way.size()) + " of the " +
                       std::to_string(files.size()) + " files exist already, the first " + in_the_way.front().string() +
                       "; choose another folder or move them away");

  std::vector<fs::path> made;
  try {
    // Links below DIR are refused before anything is written.
    std::vector<fs::path> folders = {copy.results};
    for (const auto& file : files)
      for (fs::path folder = (copy.folder / file).parent_path(); folder != destination && folder.has_parent_path();
           folder = folder.parent_path())
        folders.push_back(folder);
    for (const fs::path& folder : folders)
      if (fs::is_symlink(fs::symlink_status(folder, error)))
        throw RuntimeError("Nothing copied: " + folder.string() +
                           " is a link to another folder; the example studies are copied into folders of their own");
    for (const auto& file : files) {
      const fs::path target = copy.folder / file;
      make_folder(target.parent_path(), made, destination);
      // Noted before it is written: a copy cut short (a full disk) is removed
      // with the rest, so that the next try does not find a truncated file in
      // the way. A file that appeared there meanwhile is not ours to remove.
      const bool copied = fs::copy_file(examples / file, target, fs::copy_options::none, error);
      if (!copied || error) {
        if (error != std::errc::file_exists) made.push_back(target);
        throw RuntimeError("Cannot copy " + (examples / file).string() + " to " + target.string() + ": " +
                           (error ? error.message() : std::string("not copied")));
      }
      made.push_back(target);
      // Installed files are read-only; the copy is the user's to change.
      fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, error);
      ++copy.files;
    }
    make_folder(copy.results, made, destination);
  } catch (...) {
    undo(made);
    throw;
  }
  return copy;
}

int run_copy_examples(const std::vector<fs::path>& share, const fs::path& destination, std::ostream& out,
                      std::ostream& err) {
  if (destination.empty()) {
    err << "velmora3d: --examples needs the folder to copy the example studies into\n";
    return 2;
  }
  std::string looked;
  for (const auto& folder : share) {
    const fs::path examples = folder / "examples";
    std::error_code error;
    if (!fs::is_directory(examples, error)) {
      looked += "\n  " + examples.string();
      continue;
    }
    try {
      const ExamplesCopy copy = copy_examples(examples, destination);
      out << "Copied the " << copy.files << " files of the example studies into " << copy.folder.string() << ".\n"
          << "Run the 3D study with:\n"
          << "  velmora3d --run " << (copy.folder / "study3d.txt").string() << " --seed 1\n"
          << "What the example scripts save goes to " << copy.results.string() << ".\n";
      return 0;
    } catch (const RuntimeError& e) {
      err << "velmora3d: " << e.what() << "\n";
      return 2;
    }
  }
  err << "velmora3d: cannot find the example studies of this program; looked for:"
      << (looked.empty() ? " (no folder)" : looked) << "\n";
  return 2;
}

}  // namespace velmora
