#pragma once
// An ID3v2.2 tag as the 2.3 tag a write turns it into, frame by frame: ids
// of four letters, headers of ten bytes, the picture's image format as a
// MIME type, every other body as it was. TagLib's own upgrade loses the
// frames 2.4 dropped (TDA, TIM, RVA, EQU, TSI; the day of a date, above
// all) and those of ids it does not know.

#include <QByteArray>

namespace tn {

// False when a frame has no 2.3 counterpart (encrypted meta data, links,
// ids of no standard) or the tag can't be walked whole: a write then leaves
// the file as it is rather than lose the frame. refused, when given: the id
// of the frame that has no 2.3 form (empty when the tag is at fault).
bool upgrade_22(const QByteArray& tag22, QByteArray& tag23, QByteArray* refused = nullptr);

}  // namespace tn
