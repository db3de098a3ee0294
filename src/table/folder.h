#pragma once
// Listing the MP3 files of a folder, shared by the start-up form's file list,
// relist_files and the file-name undo.

#include <QCollator>
#include <QString>
#include <QStringList>

#include "text/file_name.h"

namespace tn {

// Compares texts in the order our users expect of a list: numbers by their
// value (Track2 before Track10), Japanese by its collation, case ignored.
QCollator natural_collator();

// Names (without folder) ending in ".mp3" in any case, dot-names included,
// regular files only, in natural order (Track2 before Track10). A symbolic
// link is no file of this folder to write or rename: its name goes to
// *links (same order) when asked for.
QStringList list_mp3_files(const QString& folder, QStringList* links = nullptr);

// The notice that names the links list_mp3_files left out; empty for none.
QString links_skipped_text(const QStringList& links);

// True when files can be made, renamed and removed in folder (its journal,
// history and new names need that).
bool folder_writable(const QString& folder);

// Appends "/" unless the path already ends in one.
QString with_trailing_slash(const QString& path);

// Name of a folder for the confirmation question: the part after the last
// "/", or drive_text for a root folder.
QString folder_display_name(const QString& path, const QString& drive_text);

}  // namespace tn
