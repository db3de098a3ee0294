#pragma once
// Reading one stream out of an OLE2 compound file (the container of every
// .xls since Excel 5), and writing a file of one stream. Every offset and
// chain is checked: the bytes may be anything a user picked in the
// open-file dialog.

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace tn {

// The contents of the stream named by one of names, exactly as FreeXL will
// read it, or nullopt when data is not a sound compound file, holds no such
// stream where FreeXL looks, or has a directory FreeXL would misread.
std::optional<QByteArray> compound_stream(const QByteArray& data, const QStringList& names);

// A compound file holding one stream named stream_name (at most 31
// characters) in regular sectors; empty when the stream is too big for it.
QByteArray compound_file(const QString& stream_name, QByteArray stream);

}  // namespace tn
