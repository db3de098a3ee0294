// Arbitrary bytes as an MP3 file: open it and read its tag as the track table
// does. No crash, a known error number on failure, valid UTF-8 in the record.

#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "tags/tag_library.h"

using namespace tn;
using tn::fuzz::check;

namespace {

bool known_error(int e) {
  return e == tag_error::cannot_open || e == tag_error::read_failed ||
         e == tag_error::bad_frame_header || e == tag_error::unknown_format;
}

void check_field(const char* f) {
  const void* zero = std::memchr(f, 0, k_tag_text_bytes);
  const auto len = zero ? static_cast<const char*>(zero) - f : k_tag_text_bytes;
  check(tn::fuzz::valid_utf8(f, static_cast<std::size_t>(len)), "tag text is not valid UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tn::fuzz::scratch_dir() + "/read.mp3";
  static std::unique_ptr<TagLibrary> lib = make_taglib_library();
  if (!tn::fuzz::write_whole(path, data, size)) return 0;
  OpenRecordBytes info = empty_open_bytes();
  TagRecordBytes rec = empty_tag_bytes();
  std::memset(&rec, 'x', sizeof rec);  // every field must be filled by the read
  if (lib->vbmp3_open(QByteArray::fromStdString(path), info)) {
    if (lib->vbmp3_getTagInfo(rec)) {
      check_field(rec.title);
      check_field(rec.artist);
      check_field(rec.album);
    } else {
      check(known_error(lib->vbmp3_getLastErrorNo()), "unknown error number after a read");
    }
  } else {
    check(known_error(lib->vbmp3_getLastErrorNo()), "unknown error number after an open");
  }
  lib->vbmp3_close();
  return 0;
}
