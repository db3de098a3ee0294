// The ID3v2 sizes and tag header, byte for byte: what a header says and
// which ten bytes are none, and sizes written as they are read back.

#include <QtTest>

#include "id3/header.h"

using namespace tn;

namespace {

const unsigned char* bytes(const QByteArray& b) { return reinterpret_cast<const unsigned char*>(b.constData()); }

}  // namespace

class TestId3Header : public QObject {
  Q_OBJECT
 private slots:
  void header_data();
  void header();
  void sizes_data();
  void sizes();
};

void TestId3Header::header_data() {
  QTest::addColumn<QByteArray>("head");
  QTest::addColumn<int>("version");  // 0: no header
  QTest::addColumn<qint64>("tag_size");
  auto row = [](const char* name, const char (&head)[11], int version, qint64 size) {
    QTest::newRow(name) << QByteArray(head, 10) << version << size;
  };
  row("2.3, seven-bit bytes", "ID3\x03\x00\x00\x00\x00\x02\x01", 3, 10 + 257);
  row("2.2", "ID3\x02\x00\x00\x00\x00\x00\x05", 2, 15);
  row("2.4 with a footer", "ID3\x04\x00\x10\x00\x00\x00\x0A", 4, 30);
  row("footer flag in 2.3 is not one", "ID3\x03\x00\x10\x00\x00\x00\x0A", 3, 20);
  row("largest size", "ID3\x04\x00\x00\x7F\x7F\x7F\x7F", 4, 10 + 0x0FFFFFFF);
  row("version 5", "ID3\x05\x00\x00\x00\x00\x00\x0A", 0, 0);
  row("version 1", "ID3\x01\x00\x00\x00\x00\x00\x0A", 0, 0);
  row("revision 0xFF", "ID3\x03\xFF\x00\x00\x00\x00\x0A", 0, 0);
  row("size byte with its high bit", "ID3\x03\x00\x00\x00\x00\x80\x0A", 0, 0);
  row("not ID3", "ID4\x03\x00\x00\x00\x00\x00\x0A", 0, 0);
}

void TestId3Header::header() {
  QFETCH(QByteArray, head);
  QFETCH(int, version);
  QFETCH(qint64, tag_size);
  const std::optional<Id3v2Header> h = id3v2_header(bytes(head));
  QCOMPARE(h.has_value(), version != 0);
  if (!h) return;
  QCOMPARE(h->version, version);
  QCOMPARE(h->tag_size(), tag_size);
}

void TestId3Header::sizes_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<quint32>("size");
  QTest::addColumn<QByteArray>("stored");
  QTest::newRow("2.4: 127") << 4 << 127u << QByteArray("\x00\x00\x00\x7F", 4);
  QTest::newRow("2.4: 128 carries") << 4 << 128u << QByteArray("\x00\x00\x01\x00", 4);
  QTest::newRow("2.4: largest") << 4 << 0x0FFFFFFFu << QByteArray("\x7F\x7F\x7F\x7F", 4);
  QTest::newRow("2.3: plain") << 3 << 0x01020380u << QByteArray("\x01\x02\x03\x80", 4);
}

void TestId3Header::sizes() {
  QFETCH(int, version);
  QFETCH(quint32, size);
  QFETCH(QByteArray, stored);
  char out[4];
  put_frame_size(out, size, version);
  QCOMPARE(QByteArray(out, 4), stored);
  QCOMPARE(frame_size(bytes(stored), version), size);
  QCOMPARE(is_synchsafe(bytes(stored)), version == 4);
}

QTEST_GUILESS_MAIN(TestId3Header)
#include "test_id3_header.moc"
