#pragma once
// A second reader of tags: mutagen, through Debian's python3 (which has it).

#include <QStringList>

namespace tn::test {

// The lines a python script prints for the file at path (sys.argv[1]), or
// {"mutagen failed"} when it does not finish well.
QStringList mutagen_lines(const QString& script, const QString& path);

// mutagen's ID3v2 frames, untranslated: "v2.N", then one "HashKey=text"
// line a frame ("TIT2=曲名", "COMM::jpn=text").
QStringList id3_frames(const QString& path);

}  // namespace tn::test
