#pragma once
// The tag library: five calls, one file at a time (open, read or write the
// tag, close). The real one sits on TagLib; tests may put a fake in its place
// to provoke error numbers that real files cannot.

#include <QByteArray>
#include <QByteArrayList>
#include <memory>
#include <optional>

#include "posix/file_identity.h"
#include "tags/tag_record.h"

namespace tn {

class ChangeObserver;

// Error numbers of vbmp3_getLastErrorNo.
namespace tag_error {
constexpr int none = 0;
constexpr int cannot_open = 1;       // missing, no permission, a folder
constexpr int no_file_open = 2;      // tag read without an open file
constexpr int read_failed = 3;       // truncated or corrupt tag, read error
constexpr int bad_frame_header = 11; // looks like MP3, first frame header unreadable
constexpr int unknown_format = 24;   // no MPEG audio at all
constexpr int write_failed = 30;     // the tag could not be written
constexpr int changed_on_disk = 31;  // not the file the table was read from
}  // namespace tag_error

// Fields of the record, for the from_table argument of vbmp3_setTagInfo.
namespace field_bit {
constexpr int title = 1;
constexpr int artist = 2;
constexpr int album = 4;
constexpr int all = title | artist | album;
}  // namespace field_bit
constexpr int k_legacy_v1_alone = 8;

class TagLibrary {
 public:
  virtual ~TagLibrary() = default;
  // path: the full path in the file system's bytes. Nonzero = opened.
  virtual int vbmp3_open(const QByteArray& path, OpenRecordBytes& info) = 0;
  // Nonzero = the open file's title, artist and album copied into record
  // (every field filled, empty when absent).
  virtual int vbmp3_getTagInfo(TagRecordBytes& record) = 0;
  // Writes title, artist and album of record into the file at path.
  // from_table (field_bit values): the fields the caller took from the
  // table; each is stored as Unicode, as the table shows it. The others were
  // handed back as the last read returned them and stay in the file byte for
  // byte. b: always 1. Nonzero = written; on zero vbmp3_getLastErrorNo tells why.
  virtual int vbmp3_setTagInfo(const QByteArray& path, const TagRecordBytes& record,
                               int from_table, int b) = 0;
  // Accepts being called when nothing is open.
  virtual void vbmp3_close() = 0;
  virtual int vbmp3_getLastErrorNo() = 0;

  // Beyond the five calls. The identity of the open file, as of its open;
  // nullopt when nothing is open or the library can't tell.
  virtual std::optional<FileIdentity> open_file_identity() const { return std::nullopt; }
  // The fields (field_bit values) the last tag read of the open file decoded
  // from legacy bytes: Shift-JIS, or UTF-8, where the tag says ISO-8859-1
  // (an ID3v1 block, an ID3v2 frame of encoding 0); with k_legacy_v1_alone
  // when they are an ID3v1 block's with no ID3v2 tag beside it, so that any
  // write of the file carries them into a new ID3v2 tag, in Unicode.
  virtual int legacy_fields() const { return 0; }
  // The open file has a tag but no MPEG audio (cut away, a tag alone): it
  // reads all the same, and the row may say so.
  virtual bool open_file_without_audio() const { return false; }
  // The frame that stopped the last write: its id, when it could not be
  // carried into the new tag (a 2.2 frame with no 2.3 form); else empty.
  virtual QByteArray frame_not_carried() const { return {}; }
  // Before a run of writes, each write the run will make: the arguments of
  // its vbmp3_setTagInfo, with the file open and read as for that call. The
  // library may then journal them together (one flush for the run). Nothing
  // is written; a write not announced, or whose file changed since, is
  // journaled on its own.
  virtual void announce_write(const QByteArray& path, const TagRecordBytes& record, int from_table) {
    (void)path, (void)record, (void)from_table;
  }
  // The end of a run of writes: what was written reaches the disk, and the
  // in-place journal goes. The paths whose writes could not be flushed (their
  // old tags are back), for the caller to report as not written.
  virtual QByteArrayList finish_writes() { return {}; }
  // Who is told of the changes the writes make (a run's history), from now
  // on; nullptr: nobody.
  virtual void observe_changes(ChangeObserver* observer) { observer_ = observer; }
  ChangeObserver* change_observer() const { return observer_; }
  // Writes the track number frame (TRCK) of the file at path as `track`,
  // every other frame and the ID3v1 block as they are: record is as the last
  // read returned it, with the file open and read as for vbmp3_setTagInfo.
  // Nonzero = written; on zero vbmp3_getLastErrorNo tells why.
  virtual int set_track_number(const QByteArray& path, const TagRecordBytes& record,
                               const QString& track) {
    (void)path, (void)record, (void)track;
    return 0;
  }

 protected:
  ChangeObserver* observer_ = nullptr;
};

// The real library over TagLib.
std::unique_ptr<TagLibrary> make_taglib_library();

}  // namespace tn
