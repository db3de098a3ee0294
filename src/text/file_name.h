#pragma once
// File names as Linux stores them are bytes, not always valid UTF-8. Qt
// turns every invalid byte into U+FFFD, so two files could show as one name
// and the name would address neither (or a third file). We decode without
// loss instead: each byte of an invalid sequence becomes the lone surrogate
// U+DC80..U+DCFF, which valid UTF-8 can never produce, and encode back.

#include <QByteArray>
#include <QString>

namespace tn {

QString decode_file_name(const QByteArray& bytes);
QByteArray encode_file_name(const QString& name);

}  // namespace tn
