// Legacy text decoding on arbitrary bytes: the charset decision, the decoded
// text, and the ID3v1 bytes made from it.

#include <iconv.h>

#include "fuzz_support.h"
#include "tags/legacy_text.h"

using namespace tn;
using tn::fuzz::check;

namespace {

// Whole CP932 characters only: iconv takes all of it back.
bool clean_cp932(const QByteArray& b) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return true;
  QByteArray in = b, out(b.size() * 4 + 8, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = static_cast<size_t>(in.size()), ol = static_cast<size_t>(out.size());
  const size_t rc = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  return rc != static_cast<size_t>(-1) && il == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const LegacyCharset cs = guess_legacy_charset(raw);
  const QString text = decode_legacy(raw);
  check(text.isValidUtf16(), "decoded text is not valid UTF-16");
  switch (cs) {
    case LegacyCharset::ascii:
    case LegacyCharset::latin1:
      // Nothing lost: every byte is one character.
      check(text.toLatin1() == raw && text.size() == raw.size(), "Latin-1 decode lost bytes");
      break;
    case LegacyCharset::utf8:
      check(text.toUtf8() == raw, "UTF-8 decode lost bytes");
      break;
    case LegacyCharset::cp932:
      check(!text.isEmpty() && !text.contains(QChar(0xFFFD)), "CP932 decode gave replacement characters");
      break;
  }
  for (const int width : {30, 4}) {
    const QByteArray v1 = id3v1_field_bytes(text, width);
    check(v1.size() <= width, "ID3v1 field too long");
    check(clean_cp932(v1) || text.toLatin1().startsWith(v1), "ID3v1 field splits a character");
  }
  return 0;
}
