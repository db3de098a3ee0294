#pragma once
// Text stored as "ISO-8859-1" (every ID3v1 tag, ID3v2 frames with encoding
// byte 0) is very often Shift-JIS in Japanese collections, sometimes UTF-8.
// These helpers decide per text which one it is, and encode the other way for
// ID3v1 tags, which old Japanese players read as Shift-JIS.

#include <QByteArray>
#include <QString>
#include <optional>

namespace tn {

enum class LegacyCharset { ascii, utf8, cp932, latin1 };

// The charset of raw bytes: all below 0x80 -> ascii; valid UTF-8 with a
// multi-byte character -> utf8, unless it decodes into blocks no title uses
// and is Japanese as CP932; clean CP932 that yields kana or kanji (and does
// not look like Western words with accents) -> cp932; else latin1.
LegacyCharset guess_legacy_charset(const QByteArray& raw);
QString decode_legacy(const QByteArray& raw);
// Whether raw, stored as ISO-8859-1, is text in another charset (CP932 or
// UTF-8) that players taking it as ISO-8859-1 show garbled.
inline bool is_legacy(const QByteArray& raw) {
  const LegacyCharset c = guess_legacy_charset(raw);
  return c == LegacyCharset::cp932 || c == LegacyCharset::utf8;
}

// CP932 bytes of text, or nothing when iconv can't encode all of it.
std::optional<QByteArray> to_cp932(const QString& text);
// The text of CP932 bytes, or nothing when they are not all valid CP932.
std::optional<QString> from_cp932(const QByteArray& bytes);

// Bytes for a fixed ID3v1 field of `width` bytes: Latin-1 when every
// character is one, else CP932, a character CP932 lacks becoming "?". Cut at
// `width` bytes without splitting a character.
QByteArray id3v1_field_bytes(const QString& text, int width);

}  // namespace tn
