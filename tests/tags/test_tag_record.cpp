// The byte form of the tag record: UTF-8, 512 bytes a field (128 characters
// of any script), never a split character, read up to the first zero byte.

#include <QtTest>
#include <cstring>

#include "tags/tag_record.h"

using namespace tn;

class TestTagRecord : public QObject {
  Q_OBJECT

 private slots:
  void field_keeps_whole_characters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kept");
    const QString a511(511, 'a');
    const QString kanji128(128, QChar(0x6F22));
    QTest::newRow("short") << "曲名" << "曲名";
    QTest::newRow("exactly 512 bytes") << QString(512, 'b') << QString(512, 'b');
    QTest::newRow("600 characters") << QString(600, 'c') << QString(512, 'c');
    QTest::newRow("128 kanji fit whole") << kanji128 << kanji128;
    QTest::newRow("128 emoji fit whole") << QString("🎵").repeated(128) << QString("🎵").repeated(128);
    QTest::newRow("kana: 170 of 200 fit") << QString(200, QChar(0x3042)) << QString(170, QChar(0x3042));
    QTest::newRow("two-byte char at the boundary") << a511 + "é" << a511;
    QTest::newRow("three-byte char at the boundary") << QString(510, 'a') + "あ" << QString(510, 'a');
    QTest::newRow("emoji at the boundary") << QString(509, 'a') + "🎵" << QString(509, 'a');
    QTest::newRow("emoji fits") << QString(508, 'a') + "🎵" << QString(508, 'a') + "🎵";
  }
  void field_keeps_whole_characters() {
    QFETCH(QString, text);
    QFETCH(QString, kept);
    for (const char pad : {'\0', ' '}) {
      char field[k_tag_text_bytes];
      std::memset(field, 'X', sizeof field);
      set_field(field, k_tag_text_bytes, text, pad);
      const QByteArray bytes(field, k_tag_text_bytes);
      const QByteArray utf8 = kept.toUtf8();
      QCOMPARE(bytes.left(utf8.size()), utf8);
      QCOMPARE(bytes.mid(utf8.size()), QByteArray(k_tag_text_bytes - utf8.size(), pad));
      if (pad == '\0') QCOMPARE(field_text(field, k_tag_text_bytes), kept);
    }
  }

  void field_reads_up_to_the_first_zero() {
    char field[k_tag_text_bytes];
    std::memset(field, 'z', sizeof field);
    QCOMPARE(field_text(field, k_tag_text_bytes), QString(512, 'z'));  // no zero: all of it
    std::memcpy(field, "ab\0cd", 5);
    QCOMPARE(field_text(field, k_tag_text_bytes), QStringLiteral("ab"));
    field[0] = '\0';
    QCOMPARE(field_text(field, k_tag_text_bytes), QString());
  }

  void record_round_trip() {
    TagRecord r{QStringLiteral("夜明けの歌"), QStringLiteral("Mötley Crüe"), QString(128, QChar(0x6F22)),
                "1999", "comment", 12, "Pop"};
    const TagRecord back = from_bytes(to_bytes(r));
    QCOMPARE(back.title, r.title);
    QCOMPARE(back.artist, r.artist);
    QCOMPARE(back.album, r.album);
    QCOMPARE(back.year, r.year);
    QCOMPARE(back.genre_no, 12);
    QCOMPARE(back.genre_name, r.genre_name);
  }
};

QTEST_GUILESS_MAIN(TestTagRecord)
#include "test_tag_record.moc"
