#include "tags/frame_accounting.h"

#include <QStringList>
#include <cstring>

namespace tn {

namespace {

bool id_is(const Id3v2Frame& f, const char* id) { return std::memcmp(f.id.data(), id, 4) == 0; }

// The strings of an encoded frame from `at` on, each to its terminator, as
// Unicode; trailing empty ones dropped. An encoding byte of no known
// encoding is read as big-endian UTF-16, as TagLib reads (and then writes) it.
QStringList strings_of(const QByteArray& c, qsizetype at) {
  const int enc = static_cast<unsigned char>(c[0]);
  const bool wide = enc != 0 && enc != 3;
  QStringList out;
  while (at < c.size()) {
    qsizetype end = at;
    while (end < c.size() && !(c[end] == 0 && (!wide || (end + 1 < c.size() && c[end + 1] == 0)))) end += wide ? 2 : 1;
    const QByteArray raw = c.mid(at, std::min(end, c.size()) - at);
    if (enc == 0) {
      out << QString::fromLatin1(raw);
    } else if (enc == 3) {
      out << QString::fromUtf8(raw);
    } else {
      const bool mark = raw.size() >= 2 && ((raw[0] == '\xFF' && raw[1] == '\xFE') || (raw[0] == '\xFE' && raw[1] == '\xFF'));
      const bool little = mark ? raw[0] == '\xFF' : enc == 1;
      QString s;
      for (qsizetype i = mark ? 2 : 0; i + 1 < raw.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(raw[little ? i : i + 1]);
        const auto hi = static_cast<unsigned char>(raw[little ? i + 1 : i]);
        s += QChar(static_cast<char16_t>(hi << 8 | lo));
      }
      out << s;
    }
    at = end + (wide ? 2 : 1);
  }
  while (!out.isEmpty() && out.back().isEmpty()) out.removeLast();
  return out;
}

bool same_content(const Id3v2Frame& a, const Id3v2Frame& b) {
  if (a.id != b.id) return false;
  if (a.content == b.content) return true;
  if (a.content.isEmpty() || b.content.isEmpty()) return false;
  // The texts alike in any encoding: TagLib stores 2.3 text as UTF-16.
  if (a.id[0] == 'T') return strings_of(a.content, 1) == strings_of(b.content, 1);
  if (id_is(a, "COMM") || id_is(a, "USLT"))
    return a.content.mid(1, 3) == b.content.mid(1, 3) && strings_of(a.content, 4) == strings_of(b.content, 4);
  return false;
}

}  // namespace

bool tag_frames(const QByteArray& tag, int version, std::vector<Id3v2Frame>& frames) {
  Id3v2Texts texts;
  Id3v2Layout layout;
  layout.with_content = true;
  if (walk_id3v2(memory_bytes(tag), version, tag.size(), texts, &layout) != Id3v2Read::done || !layout.whole) return false;
  for (const Id3v2Frame& f : layout.frames)
    if (!f.readable) return false;
  frames = std::move(layout.frames);
  return true;
}

FramesOff frames_off(const std::vector<Id3v2Frame>& old, const std::vector<Id3v2Frame>& now,
                     const WantedTexts& wanted) {
  FramesOff off;
  // The frames of a field the write sets may go, change or come (an
  // iTunes-style "TAL" in a 2.3 tag is an album frame too).
  auto set_by_write = [&](const Id3v2Frame& f) {
    if (f.field < 0 || f.field >= k_fields) return false;
    const WantedText& w = wanted[static_cast<std::size_t>(f.field)];
    return !w.kept || w.from_id3v1;
  };
  std::vector<bool> used(now.size(), false);
  for (const Id3v2Frame& f : old) {
    if (set_by_write(f)) continue;
    bool found = false;
    for (std::size_t k = 0; k < now.size() && !found; ++k) {
      if (used[k] || !same_content(f, now[k])) continue;
      used[k] = found = true;
    }
    if (!found) off.missing.push_back(&f);
  }
  for (std::size_t k = 0; k < now.size(); ++k)
    if (!used[k] && !set_by_write(now[k])) off.extra.push_back(&now[k]);
  return off;
}

}  // namespace tn
