#include "fake_tag_library.h"

#include <QFileInfo>

namespace tn::test {

int FakeTagLibrary::vbmp3_open(const QByteArray& path, OpenRecordBytes&) {
  calls << QStringLiteral("open ") + QString::fromUtf8(path);
  if (open_existing_files && !files.contains(path) && QFileInfo(QFile::decodeName(path)).isFile())
    files.insert(path, Entry{});
  const auto it = files.constFind(path);
  if (it == files.constEnd() || it->open_error) {
    last_error_ = it == files.constEnd() ? tag_error::cannot_open : it->open_error;
    return 0;
  }
  open_ = path;
  is_open_ = true;
  return 1;
}

int FakeTagLibrary::vbmp3_getTagInfo(TagRecordBytes& record) {
  calls << QStringLiteral("get");
  if (!is_open_) {
    last_error_ = tag_error::no_file_open;
    return 0;
  }
  const Entry& e = files[open_];
  if (e.read_error) {
    last_error_ = e.read_error;
    return 0;
  }
  record = to_bytes(e.tag);
  return 1;
}

int FakeTagLibrary::vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record, int,
                                     int) {
  calls << QStringLiteral("set ") + QString::fromUtf8(path);
  if (!files.contains(path)) {
    last_error_ = tag_error::cannot_open;
    return 0;
  }
  written[path] = from_bytes(record);
  return 1;
}

void FakeTagLibrary::vbmp3_close() {
  calls << QStringLiteral("close");
  is_open_ = false;
}

}  // namespace tn::test
