#pragma once
// Frames rendered through TagLib, kept for the next file. A render goes
// through a whole tag of TagLib's, which costs more than the rest of a
// file's plan, and a run renders the same frame for every file that gets
// the same text (an album or an artist set for the whole table). A render
// is a pure function of its key; each thread keeps its last few.

#include <QByteArray>
#include <QString>
#include <functional>

namespace tn {

struct FrameKey {
  QByteArray id;
  QString text;
  int encoding = 0;
  int version = 0;
  QByteArray language;  // a comment's
  bool operator==(const FrameKey&) const = default;
};

// The frame of `key`: render() called only when it is not kept.
QByteArray rendered_frame(const FrameKey& key, const std::function<QByteArray()>& render);

}  // namespace tn
