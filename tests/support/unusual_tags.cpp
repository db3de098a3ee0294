#include "unusual_tags.h"

#include <algorithm>

namespace tn::test {

namespace {

// The frames a write must carry as they are, whatever their flags.
void add_carried(Id3v2& tag, Unusual kind) {
  auto fr = [](const char* id, const QByteArray& body, char format = 0) { return Id3Frame{id, body, format}; };
  const QByteArray composer = '\x81' + text_body(Enc::latin1, QStringLiteral("Composer"));
  const QByteArray grid("GRID", 4);
  switch (kind) {
    case Unusual::encrypted_23:
      tag.frames.push_back(fr("ENCR", QByteArray("mailto:keys@example.invalid\0\x80key", 32)));
      tag.frames.push_back(fr("COMM", QByteArray("\x80\x13\x37 ciphertext \xFF\x00\xE0", 18), '\x40'));
      break;
    case Unusual::encrypted_24:
      tag.frames.push_back(fr("PRIV", QByteArray("\x80\x13\x37 ciphertext \xFF", 16), '\x04'));
      break;
    case Unusual::grouped_23:
    case Unusual::grouped_24:
      tag.frames.push_back(fr(grid.constData(), QByteArray("owner\0\x81group", 12)));
      tag.frames.push_back(fr("TCOM", composer, kind == Unusual::grouped_23 ? '\x20' : '\x40'));
      break;
    case Unusual::data_length_24: {
      const QByteArray band = text_body(Enc::utf8, QStringLiteral("楽団"));
      tag.frames.push_back(fr("TPE2", QByteArray(3, '\0') + static_cast<char>(band.size()) + band, '\x01'));
      break;
    }
    case Unusual::discard_flagged:
      tag.frames.push_back(fr("TSSE", text_body(Enc::latin1, QStringLiteral("LAME 3.100"))));
      tag.frames.back().status = '\x80';
      break;
    case Unusual::odd_utf16_length:
      tag.frames.push_back(fr("TLEN", QByteArray("\x01\xFF\xFE" "2\0" "4\0" "0\0" "0\0" "0\0" "\x00", 14)));
      break;
    case Unusual::plain_sizes_24:
      // The picture first: TagLib finds a plain size by the frame after it.
      std::rotate(tag.frames.begin(), tag.frames.end() - 1, tag.frames.end());
      tag.plain_sizes = true;
      break;
    case Unusual::unsynchronised_24:
      tag.flags = '\x80';
      for (Id3Frame& f : tag.frames) {
        f.body = unsynchronise(f.body);
        f.format = '\x02';
      }
      break;
    default: break;
  }
}

}  // namespace

Id3v2 unusual_tag(Unusual kind) {
  auto fr = [](const char* id, const QByteArray& body, char format = 0) { return Id3Frame{id, body, format}; };
  auto latin = [](const char* s) { return text_body(Enc::latin1, QString::fromLatin1(s)); };
  const bool v4 = kind == Unusual::compressed_24 || kind == Unusual::extended_24 || kind == Unusual::extended_24_all ||
                  kind == Unusual::encrypted_24 || kind == Unusual::grouped_24 || kind == Unusual::data_length_24 ||
                  kind == Unusual::plain_sizes_24 || kind == Unusual::unsynchronised_24;
  const int version = v4 ? 4 : 3;
  const QStringList& t = k_unusual_texts;
  Id3v2 tag = text_tag(version, version == 4 ? Enc::utf8 : Enc::utf16, t[0], t[1], t[2], 32);
  add_extras(tag, 1200);
  switch (kind) {
    case Unusual::zero_size_first:
      tag = Id3v2{4, {fr("TENC", {}), fr("WXXX", QByteArray(2, '\0')), fr("TCOP", {}),
                      fr("TIT2", latin("Emit and exude")), fr("TRCK", latin("3/12")), fr("TDRC", latin("2004")),
                      fr("TCON", latin("Rock")), fr("TALB", latin("emit and exude")),
                      fr("POPM", QByteArray("rater@example.invalid\0\xC4\0\0\0\x05", 27)),
                      fr("TCOM", latin("Composer")), fr("TPE1", latin("she")),
                      fr("COMM", comm_body(Enc::latin1, QStringLiteral("a comment"), "eng"))},
                  64, 0, {}};
      break;
    case Unusual::zero_size_middle: tag.frames.insert(tag.frames.begin() + 1, fr("TENC", {})); break;
    case Unusual::zero_size_end: tag.frames.push_back(fr("TCOP", {})); break;
    case Unusual::compressed_23:
    case Unusual::compressed_24: {
      const QByteArray title = text_body(Enc::utf16, t[0] + QString(40, QChar(0x3042)));
      tag.frames.front() = fr("TIT2", compressed_body(version, title), version == 4 ? '\x09' : '\x80');
      break;
    }
    case Unusual::extended_23:
    case Unusual::extended_24:
    case Unusual::extended_23_crc:
    case Unusual::extended_24_all:
      // 2.3 sizes leave the size itself out; its CRC flag 0x8000 adds 4
      // bytes. 2.4 with every flag: update (no data), CRC (5), restrictions (1).
      tag.flags = 0x40;
      tag.extended_header =
          kind == Unusual::extended_23       ? QByteArray("\0\0\0\x06\0\0\0\0\0\0", 10)
          : kind == Unusual::extended_24     ? QByteArray("\0\0\0\x06\x01\0", 6)
          : kind == Unusual::extended_23_crc ? QByteArray("\0\0\0\x0A\x80\0\0\0\0\0\x12\x34\x56\x78", 14)
                                             : QByteArray("\0\0\0\x0F\x01\x70\0\x05\x01\x22\x33\x44\x55\x01\x00", 15);
      break;
    case Unusual::unsynchronised:
      tag.flags = '\x80';
      tag.frames.push_back(fr("PRIV", QByteArray("owner\0\xFF\xE0\xFF\0\xFF", 11)));
      break;
    case Unusual::v22_date:
    case Unusual::v22_unknown:
      tag = Id3v2{2, {fr("TT2", latin("Title")), fr("TP1", latin("Artist")), fr("TAL", latin("Album")),
                      fr("TYE", latin("2010")), fr("TDA", latin("0304")), fr("TIM", latin("1122")),
                      fr("COM", comm_body(Enc::utf16, t[0])), fr("PIC", apic_body(800, 2))},
                  0, 0, {}};
      if (kind == Unusual::v22_unknown) tag.frames.push_back(fr("XYZ", "made-up frame"));
      break;
    case Unusual::invalid_utf8:
      tag.version = 4;
      tag.frames.erase(tag.frames.begin(), tag.frames.begin() + 3);
      tag.frames.insert(tag.frames.begin(), {fr("TIT2", text_body(Enc::utf8, QStringLiteral("Title"))),
                                             fr("TPE1", text_body(Enc::utf8, QStringLiteral("Artist"))),
                                             fr("TALB", "\3Al\xFF" "bum")});
      break;
    case Unusual::invalid_id_first: tag.frames.insert(tag.frames.begin(), fr("Date", latin("2004"))); break;
    case Unusual::zero_size_flagged:
      tag.frames.push_back(fr("TXXX", {}, '\x1F'));
      tag.padding = 200;
      break;
    case Unusual::utf16_no_mark:
      for (int i = 0; i < 2; ++i) tag.frames[i].body = '\1' + encode(Enc::utf16, t[i]).mid(2);
      break;
    default: add_carried(tag, kind); break;
  }
  return tag;
}

QByteArray ape_tag_bytes(const QList<ApeItem>& items, int version) {
  auto le32 = [](quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (8 * i));
    return b;
  };
  QByteArray body;
  for (const ApeItem& item : items)
    body += le32(static_cast<quint32>(item.value.size())) + le32(item.flags) + item.key + '\0' + item.value;
  const bool header = version >= 2000;
  auto block = [&](quint32 flags) {
    return "APETAGEX" + le32(static_cast<quint32>(version)) + le32(static_cast<quint32>(body.size() + 32)) +
           le32(static_cast<quint32>(items.size())) + le32(flags) + QByteArray(8, '\0');
  };
  constexpr quint32 has_header = 0x80000000u, is_header = 0x20000000u;
  return header ? block(has_header | is_header) + body + block(has_header) : body + block(0);
}

QByteArray odd_file(OddFile kind) {
  const QStringList& t = k_unusual_texts;
  Id3v2 tag = text_tag(3, Enc::utf16, t[0], t[1], t[2], 32);
  add_extras(tag, 1200);
  const QByteArray v1 = id3v1_bytes(Id3v1{"Title A", "Artist A", "Album A", "", ""});
  switch (kind) {
    case OddFile::tag_alone: return id3v2_bytes(tag);
    case OddFile::crc_tag_alone: return id3v2_bytes(unusual_tag(Unusual::extended_24_all));
    case OddFile::v1_alone: return v1;
    case OddFile::v1_after_junk: return QByteArray("junk!") + v1;
    case OddFile::tag_after_junk: return QByteArray(2048, 'j') + id3v2_bytes(tag) + audio_frames(12);
  }
  return {};
}

}  // namespace tn::test
