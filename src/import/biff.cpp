#include "import/biff.h"

#include <iconv.h>

#include <algorithm>

namespace tn::biff {

namespace {

constexpr std::uint16_t k_continue = 0x003C;
// The longest record body BIFF8 allows (BIFF5 allows less); a longer one is
// no record of a spreadsheet program.
constexpr qsizetype k_max_record = 8224;
// A joined record stops growing here: the largest string table of a full
// book, and nothing a hostile file can push further.
constexpr qsizetype k_max_joined = 64 * 1024 * 1024;

}  // namespace

bool Records::header(qsizetype at, std::uint16_t& type, std::uint16_t& len) {
  if (at + 4 > stream_.size()) return false;
  type = biff::u16(stream_.constData() + at);
  len = biff::u16(stream_.constData() + at + 2);
  return true;
}

bool Records::next(Record& r) {
  std::uint16_t type = 0, len = 0;
  if (broken_ || !header(pos_, type, len) || (type == 0 && len == 0)) return false;  // end or padding
  if (len > k_max_record || pos_ + 4 + len > stream_.size()) {
    broken_ = true;
    return false;
  }
  r.type = type;
  r.offset = pos_;
  r.body = QByteArray(stream_.constData() + pos_ + 4, len);
  r.breaks.clear();
  pos_ += 4 + len;
  while (header(pos_, type, len) && type == k_continue) {
    if (len > k_max_record || pos_ + 4 + len > stream_.size() || r.body.size() + len > k_max_joined) {
      broken_ = true;
      return false;
    }
    r.breaks.push_back(r.body.size());
    r.body.append(stream_.constData() + pos_ + 4, len);
    pos_ += 4 + len;
  }
  return true;
}

QString decode_codepage(const QByteArray& bytes, int codepage) {
  if (codepage == 1200 || codepage == 0 || bytes.isEmpty()) return QString::fromLatin1(bytes);
  // 367 (ASCII) and 0x8001 are what Excel calls Windows Latin 1; 0x8000 is
  // the Macintosh's own.
  const QByteArray name = codepage == 0x8001 || codepage == 367 ? QByteArray("CP1252")
                          : codepage == 0x8000                   ? QByteArray("MACINTOSH")
                                                                 : "CP" + QByteArray::number(codepage);
  iconv_t cd = iconv_open("UTF-16LE", name.constData());
  if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(bytes);
  QByteArray in = bytes, out(bytes.size() * 4 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = static_cast<size_t>(in.size()), ol = static_cast<size_t>(out.size());
  const size_t rc = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return QString::fromLatin1(bytes);
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(out.constData()),
                            static_cast<qsizetype>((out.size() - static_cast<qsizetype>(ol)) / 2));
}

bool Cursor::need(qsizetype n) {
  ok_ = ok_ && n >= 0 && pos_ + n <= r_.body.size();
  return ok_;
}

std::uint8_t Cursor::u8() {
  if (!need(1)) return 0;
  return static_cast<std::uint8_t>(r_.body[pos_++]);
}

std::uint16_t Cursor::u16() {
  if (!need(2)) return 0;
  pos_ += 2;
  return biff::u16(r_.body.constData() + pos_ - 2);
}

// count characters from pos_, wide or not as the string's flags say; at
// each CONTINUE they go on after a flag byte of their own.
std::optional<QString> Cursor::unicode_chars(qsizetype count, bool wide) {
  QString text;
  text.reserve(std::min<qsizetype>(count, r_.body.size()));
  while (count > 0) {
    if (std::binary_search(r_.breaks.begin(), r_.breaks.end(), pos_)) {
      if (!need(1)) return std::nullopt;
      wide = static_cast<unsigned char>(r_.body[pos_++]) & 0x01;
    }
    const auto next_break = std::upper_bound(r_.breaks.begin(), r_.breaks.end(), pos_);
    const qsizetype end = next_break == r_.breaks.end() ? r_.body.size() : *next_break;
    const qsizetype width = wide ? 2 : 1;
    const qsizetype here = std::min(count, (end - pos_) / width);
    // Cut off, or half a character before a break.
    if (here == 0 && (pos_ != end || end == r_.body.size())) {
      ok_ = false;
      return std::nullopt;
    }
    const char* p = r_.body.constData() + pos_;
    if (wide)
      text.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(p), here));
    else
      text.append(QString::fromLatin1(p, here));
    pos_ += here * width;
    count -= here;
  }
  return text;
}

std::optional<QString> Cursor::string(int len_bytes) {
  const qsizetype count = len_bytes == 2 ? u16() : u8();
  if (!ok_) return std::nullopt;
  if (biff_ < 8) {
    if (!need(count)) return std::nullopt;
    pos_ += count;
    return decode_codepage(r_.body.mid(pos_ - count, count), codepage_);
  }
  const std::uint8_t flags = u8();
  const qsizetype runs = flags & 0x08 ? u16() : 0;
  qsizetype extension = 0;
  if (flags & 0x04) {
    if (!need(4)) return std::nullopt;
    extension = biff::u32(r_.body.constData() + pos_);
    pos_ += 4;
  }
  if (!ok_) return std::nullopt;
  auto text = unicode_chars(count, flags & 0x01);
  // The formatting runs and the phonetic reading follow the characters.
  if (text && need(runs * 4 + extension)) pos_ += runs * 4 + extension;
  if (!ok_) return std::nullopt;
  return text;
}

}  // namespace tn::biff
