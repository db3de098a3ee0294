#pragma once
// OLE2 compound files for the .xls tests: one stream in regular sectors.

#include <QByteArray>
#include <QString>

namespace tn::test {

// A compound file holding one stream named stream_name (at most 31
// characters) in regular sectors; empty when the stream is too big for it.
QByteArray compound_file(const QString& stream_name, QByteArray stream);

}  // namespace tn::test
