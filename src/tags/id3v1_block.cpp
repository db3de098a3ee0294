#include "tags/id3v1_block.h"

#include "tags/legacy_text.h"
#include "durable/safe_write.h"

namespace tn {

namespace {

constexpr int k_offsets[k_fields] = {3, 33, 63};
constexpr int k_width = 30;

}  // namespace

bool read_id3v1(int fd, const Mp3Probe& probe, QByteArray& block) {
  block.resize(k_id3v1_size);
  return read_exact(fd, probe.file_size - k_id3v1_size, block.data(), k_id3v1_size);
}

QByteArray id3v1_bytes(const QByteArray& block, int i) {
  QByteArray raw = block.mid(k_offsets[i], k_width);
  const qsizetype zero = raw.indexOf('\0');
  if (zero >= 0) raw.truncate(zero);
  while (!raw.isEmpty() && raw.back() == ' ') raw.chop(1);
  return raw;
}

QString id3v1_text(const QByteArray& block, int i) { return decode_legacy(id3v1_bytes(block, i)); }

QByteArray new_id3v1(const QByteArray& old, const WantedTexts& wanted, const QString* track) {
  QByteArray v1 = old;
  if (track && v1.size() == k_id3v1_size && v1[125] == '\0') {
    const int n = track->section(QLatin1Char('/'), 0, 0).toInt();
    if (n > 0 && n < 256) v1[126] = static_cast<char>(n);
  }
  for (int i = 0; i < k_fields; ++i) {
    if (wanted[i].kept && !wanted[i].written) continue;
    QByteArray b = id3v1_field_bytes(wanted[i].text, k_width);
    b.append(QByteArray(k_width - b.size(), '\0'));
    v1.replace(k_offsets[i], k_width, b);
  }
  return v1;
}

}  // namespace tn
