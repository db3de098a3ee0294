#pragma once
// Renaming that never replaces an existing file.

#include <QString>

namespace tn {

// Renames old_path to new_path, refusing when new_path already exists (a
// file, a folder, a link). A link is renamed itself, never its target.
// A change of case only also works on file systems that ignore case.
// On failure returns false and leaves errno set.
bool rename_no_replace(const QString& old_path, const QString& new_path);

}  // namespace tn
