#include "tags/ape_tag.h"

#include <array>
#include <cstring>
#include <vector>

#include "durable/safe_write.h"

namespace tn {

namespace {

constexpr int k_footer = 32;
constexpr std::uint32_t k_has_header = 0x80000000u;
constexpr std::uint32_t k_is_header = 0x20000000u;
constexpr std::uint32_t k_kind_bits = 0x6u;  // 0: UTF-8 text
constexpr const char* k_keys[k_fields] = {"Title", "Artist", "Album"};

std::uint32_t le32(const char* p) {
  auto b = [&](int i) { return std::uint32_t{static_cast<unsigned char>(p[i])}; };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

void put_le32(QByteArray& b, qsizetype at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

struct Item {
  qsizetype at = 0, size = 0;  // in the tag
  QByteArray key;
  std::uint32_t flags = 0;
};

// The items between the header (if any) and the footer, every byte
// accounted for; false when they are not.
bool items_of(const QByteArray& tag, std::vector<Item>& items) {
  const char* footer = tag.constData() + tag.size() - k_footer;
  const bool header = le32(footer + 20) & k_has_header;
  qsizetype at = header ? k_footer : 0;
  const qsizetype end = tag.size() - k_footer;
  const std::uint32_t count = le32(footer + 16);
  for (std::uint32_t n = 0; n < count; ++n) {
    if (end - at < 9) return false;
    const std::uint32_t value = le32(tag.constData() + at);
    const qsizetype zero = tag.indexOf('\0', at + 8);
    if (zero < 0 || zero == at + 8 || zero >= end || value > static_cast<std::uint32_t>(end - zero - 1)) return false;
    const qsizetype size = zero + 1 + static_cast<qsizetype>(value) - at;
    items.push_back({at, size, tag.mid(at + 8, zero - at - 8), le32(tag.constData() + at + 4)});
    at += size;
  }
  return at == end;
}

QByteArray item_bytes(const QByteArray& key, std::uint32_t flags, const QByteArray& value) {
  QByteArray b(8, '\0');
  put_le32(b, 0, static_cast<std::uint32_t>(value.size()));
  put_le32(b, 4, flags);
  return b + key + '\0' + value;
}

}  // namespace

ApeFound find_ape(int fd, std::int64_t start, std::int64_t end, ApeTag& tag) {
  tag = {};
  if (end - start < k_footer) return ApeFound::none;
  char footer[k_footer];
  if (!read_exact(fd, end - k_footer, footer, k_footer)) return ApeFound::broken;
  if (std::memcmp(footer, "APETAGEX", 8) != 0) return ApeFound::none;
  const std::uint32_t flags = le32(footer + 20);
  const std::int64_t size = std::int64_t{le32(footer + 12)} + (flags & k_has_header ? k_footer : 0);
  if (size < k_footer || size > end - start || size > (64 << 20) || (flags & k_is_header)) return ApeFound::broken;
  tag.offset = end - size;
  tag.bytes.resize(static_cast<qsizetype>(size));
  if (!read_exact(fd, tag.offset, tag.bytes.data(), static_cast<std::size_t>(size))) return ApeFound::broken;
  // A header says what the footer says, marked as the header.
  if ((flags & k_has_header) &&
      (std::memcmp(tag.bytes.constData(), "APETAGEX", 8) != 0 || !(le32(tag.bytes.constData() + 20) & k_is_header) ||
       std::memcmp(tag.bytes.constData() + 8, footer + 8, 12) != 0))
    return ApeFound::broken;
  std::vector<Item> items;
  return items_of(tag.bytes, items) ? ApeFound::found : ApeFound::broken;
}

namespace {

// The item keys of the other fields players read from an APE tag.
const char* ape_key(Field f) {
  switch (f) {
    case Field::track: return "Track";
    case Field::disc: return "Disc";
    case Field::year: return "Year";
    case Field::genre: return "Genre";
    case Field::album_artist: return "Album Artist";
    case Field::composer: return "Composer";
    case Field::comment: return "Comment";
    default: return nullptr;
  }
}

}  // namespace

bool new_ape(const QByteArray& old, const WantedTexts& wanted, const OtherEdits* others, QByteArray& out) {
  std::vector<Item> items;
  if (!items_of(old, items)) return false;
  // The value each key gets; a key not set keeps its items.
  std::vector<std::pair<QByteArray, QByteArray>> set;
  for (int i = 0; i < k_fields; ++i)
    if (!wanted[i].kept || wanted[i].written) set.emplace_back(k_keys[i], wanted[i].text.toUtf8());
  for (const OtherEdit& e : others ? *others : OtherEdits{})
    if (const char* key = ape_key(e.field)) set.emplace_back(key, e.text.toUtf8());
  const bool header = le32(old.constData() + old.size() - k_footer + 20) & k_has_header;
  QByteArray body;
  std::uint32_t count = 0;
  std::vector<bool> done(set.size());
  for (const Item& item : items) {
    std::size_t k = 0;
    while (k < set.size() && item.key.compare(set[k].first, Qt::CaseInsensitive) != 0) ++k;
    if (k == set.size()) {
      body += old.mid(item.at, item.size);
      ++count;
      continue;
    }
    if (item.flags & k_kind_bits) return false;  // a binary or link item where a text belongs
    // A key that occurs twice gets the text once.
    if (done[k] || set[k].second.isEmpty()) continue;
    done[k] = true;
    body += item_bytes(item.key, item.flags, set[k].second);
    ++count;
  }
  for (std::size_t k = 0; k < set.size(); ++k) {
    if (done[k] || set[k].second.isEmpty()) continue;
    body += item_bytes(set[k].first, 0, set[k].second);
    ++count;
  }
  QByteArray footer = old.right(k_footer);
  put_le32(footer, 12, static_cast<std::uint32_t>(body.size() + k_footer));
  put_le32(footer, 16, count);
  out = body + footer;
  if (header) {
    QByteArray head = old.left(k_footer);
    head.replace(8, 12, footer.mid(8, 12));
    out.prepend(head);
  }
  if (out.size() == old.size() && std::memcmp(out.constData(), old.constData(), static_cast<std::size_t>(old.size())) == 0)
    out = old;
  return true;
}

}  // namespace tn
