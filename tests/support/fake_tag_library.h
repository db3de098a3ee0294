#pragma once
// A tag library that answers from a table, for the error numbers real files
// cannot produce (2, 3, any other). Records every call in order.

#include <QHash>
#include <QStringList>

#include "tags/tag_library.h"

namespace tn::test {

class FakeTagLibrary final : public TagLibrary {
 public:
  struct Entry {
    int open_error = 0;  // nonzero: vbmp3_open fails with this number
    int read_error = 0;  // nonzero: vbmp3_getTagInfo fails with this number
    TagRecord tag;
  };
  QHash<QByteArray, Entry> files;  // by full path
  // Any other file that exists on disk opens, with an empty tag.
  bool open_existing_files = false;
  QStringList calls;               // "open <path>", "get", "set <path>", "close"
  QHash<QByteArray, TagRecord> written;

  int vbmp3_open(const QByteArray& path, OpenRecordBytes&) override;
  int vbmp3_getTagInfo(TagRecordBytes& record) override;
  int vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record, int, int) override;
  void vbmp3_close() override;
  int vbmp3_getLastErrorNo() override { return last_error_; }

 private:
  QByteArray open_;
  bool is_open_ = false;
  int last_error_ = 0;
};

}  // namespace tn::test
