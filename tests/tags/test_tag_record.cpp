// The byte form of the tag record: UTF-8, 128 bytes a field, never a split
// character, read up to the first zero byte.

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
    const QString a127(127, 'a');
    QTest::newRow("short") << "曲名" << "曲名";
    QTest::newRow("exactly 128 bytes") << QString(128, 'b') << QString(128, 'b');
    QTest::newRow("200 characters") << QString(200, 'c') << QString(128, 'c');
    QTest::newRow("kana: 42 of 100 fit") << QString(100, QChar(0x3042)) << QString(42, QChar(0x3042));
    QTest::newRow("two-byte char at the boundary") << a127 + "é" << a127;
    QTest::newRow("three-byte char at the boundary") << QString(126, 'a') + "あ" << QString(126, 'a');
    QTest::newRow("emoji at the boundary") << QString(125, 'a') + "🎵" << QString(125, 'a');
    QTest::newRow("emoji fits") << QString(124, 'a') + "🎵" << QString(124, 'a') + "🎵";
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
    QCOMPARE(field_text(field, k_tag_text_bytes), QString(128, 'z'));  // no zero: all of it
    std::memcpy(field, "ab\0cd", 5);
    QCOMPARE(field_text(field, k_tag_text_bytes), QStringLiteral("ab"));
    field[0] = '\0';
    QCOMPARE(field_text(field, k_tag_text_bytes), QString());
  }

  void record_round_trip() {
    TagRecord r{QStringLiteral("夜明けの歌"), QStringLiteral("Mötley Crüe"), QString(300, QChar(0x6F22)),
                "1999", "comment", 12, "Pop"};
    const TagRecord back = from_bytes(to_bytes(r));
    QCOMPARE(back.title, r.title);
    QCOMPARE(back.artist, r.artist);
    QCOMPARE(back.album, QString(42, QChar(0x6F22)));
    QCOMPARE(back.year, r.year);
    QCOMPARE(back.genre_no, 12);
    QCOMPARE(back.genre_name, r.genre_name);
  }
};

QTEST_GUILESS_MAIN(TestTagRecord)
#include "test_tag_record.moc"
