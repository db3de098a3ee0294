#pragma once
// Writing the tag columns of the track table into the files.

#include <QString>
#include <QStringList>
#include <vector>

#include "table/context.h"

namespace tn {

// The commands: question, writer, notice, written columns painted white.
// Each returns the rows (from 1) that have a file and were not written.
std::vector<int> cmd_write_all(Context& cx);
std::vector<int> cmd_write_kyokumei(Context& cx);
std::vector<int> cmd_write_alubum(Context& cx);
std::vector<int> cmd_write_artname(Context& cx);

// Which fields a writer takes from the table; the others keep the file's.
// track: none of them, the track number frame instead.
enum class WriteFields { all, title, album, artist, track };

// One run over every file of the file list. A file that cannot be written is
// reported and the run goes on; rows whose file-list entry is empty (their
// file failed to read) are skipped. Returns the rows not written, ascending.
// With WriteFields::track, tracks[i] is entry i's track number frame.
// only: the rows (from 1) to write, the others left alone and not returned;
// nullptr: every row.
std::vector<int> tag_write(Context& cx, WriteFields fields, const QStringList& tracks = {},
                           const std::vector<int>* only = nullptr);

inline std::vector<int> tag_write_all(Context& cx) { return tag_write(cx, WriteFields::all); }
inline std::vector<int> tag_write_title(Context& cx) { return tag_write(cx, WriteFields::title); }
inline std::vector<int> tag_write_album(Context& cx) { return tag_write(cx, WriteFields::album); }
inline std::vector<int> tag_write_artist(Context& cx) { return tag_write(cx, WriteFields::artist); }

// Gives the owner write permission where it lacks it; other bits stay.
bool make_owner_writable(const QString& path);

}  // namespace tn
