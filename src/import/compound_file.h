#pragma once
// Reading one stream out of an OLE2 compound file (the container of every
// .xls since Excel 5). Every offset and chain is checked: the bytes may be
// anything a user picked in the open-file dialog.

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace tn {

// The contents of the stream named by the first of names the file holds
// (case aside), or nullopt when data is not a sound compound file or holds
// no such stream.
std::optional<QByteArray> compound_stream(const QByteArray& data, const QStringList& names);

}  // namespace tn
