#include "xls_writer.h"

#include <iconv.h>

#include <QFile>
#include <cstring>
#include <set>
#include <stdexcept>

namespace tn::test {

namespace {

void put16(QByteArray& b, int v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}
void put32(QByteArray& b, quint32 v) {
  put16(b, static_cast<int>(v & 0xFFFF));
  put16(b, static_cast<int>(v >> 16));
}
void put_double(QByteArray& b, double d) {
  char raw[8];
  std::memcpy(raw, &d, 8);
  b.append(raw, 8);
}
void set32(QByteArray& b, qsizetype at, quint32 v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
QByteArray utf16(const QString& s) {
  return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

QByteArray legacy(const QString& s, int codepage) {
  iconv_t cd = iconv_open(codepage == 932 ? "CP932" : "CP1252", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no code page in iconv");
  QByteArray in = utf16(s), out(in.size() * 2 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = static_cast<size_t>(in.size()), ol = static_cast<size_t>(out.size());
  const size_t rc = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) throw std::runtime_error("text not in the code page");
  out.truncate(out.size() - static_cast<qsizetype>(ol));
  return out;
}

void record(QByteArray& out, int type, const QByteArray& body) {
  if (body.size() > 8224) throw std::logic_error("BIFF record too long");
  put16(out, type);
  put16(out, static_cast<int>(body.size()));
  out.append(body);
}

bool parse(const QString& addr, int& row, int& col) {
  col = 0;
  qsizetype i = 0;
  while (i < addr.size() && addr[i].isUpper()) col = col * 26 + (addr[i++].unicode() - 'A' + 1);
  bool ok = false;
  row = addr.mid(i).toInt(&ok) - 1;
  --col;
  return ok && col >= 0 && row >= 0;
}

// XF records written: 0 general, 1 built-in date format 14, 2 "yyyy/mm/dd",
// 3 "[h]:mm:ss".
constexpr int k_xf_general = 0, k_xf_date = 1, k_xf_date_custom = 2, k_xf_duration = 3;
constexpr int k_custom_format = 164, k_duration_format = 165;

// The string table: records of at most limit bytes; a string whose
// characters do not fit goes on in the next, after a flag byte. A rich
// string carries one formatting run and a phonetic reading.
void write_sst(QByteArray& out, const QStringList& sst, const std::set<QString>& rich, int limit) {
  QByteArray body;
  put32(body, static_cast<quint32>(sst.size()));
  put32(body, static_cast<quint32>(sst.size()));
  int type = 0x00FC;
  auto flush = [&] {
    record(out, type, body);
    body.clear();
    type = 0x003C;  // CONTINUE
  };
  for (const QString& s : sst) {
    const bool is_rich = rich.count(s) > 0;
    const QByteArray phonetic("\x01\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00", 12);
    if (body.size() + 3 + (is_rich ? 6 : 0) + 2 > limit) flush();
    put16(body, static_cast<int>(s.size()));
    body.append(is_rich ? '\x0D' : '\x01');
    if (is_rich) {
      put16(body, 1);
      put32(body, static_cast<quint32>(phonetic.size()));
    }
    QByteArray chars = utf16(s);
    for (;;) {
      const qsizetype room = (limit - body.size()) / 2 * 2;
      body.append(chars.left(room));
      chars.remove(0, room);
      if (chars.isEmpty()) break;
      flush();
      body.append('\x01');
    }
    if (is_rich) body.append(QByteArray("\x00\x00\x01\x00", 4) + phonetic);
  }
  record(out, type, body);
}

}  // namespace

XlsSheet& XlsSheet::put(const QString& addr, Cell cell) {
  int row = 0, col = 0;
  if (!parse(addr, row, col)) throw std::invalid_argument("bad address");
  cells_[{row, col}] = std::move(cell);
  return *this;
}

XlsSheet& XlsSheet::date(const QString& addr, QDate d, bool builtin) {
  const double serial = static_cast<double>(QDate(1899, 12, 30).daysTo(d));
  return put(addr, {builtin ? Kind::date : Kind::date_custom, {}, serial});
}

XlsSheet& XlsSheet::column(char letter, const QStringList& texts, int first_row) {
  for (int i = 0; i < texts.size(); ++i)
    if (!texts[i].isEmpty()) text(QChar(letter) + QString::number(first_row + i), texts[i]);
  return *this;
}

QByteArray XlsBook::workbook_stream() const {
  const bool biff8 = codepage == 1200;
  // Short strings as the version stores them: BIFF8 Unicode with a flag byte.
  auto short_string = [&](const QString& s, bool wide_len) {
    QByteArray b;
    const QByteArray chars = biff8 ? utf16(s) : legacy(s, codepage);
    const int n = biff8 ? static_cast<int>(s.size()) : static_cast<int>(chars.size());
    if (wide_len)
      put16(b, n);
    else
      b.append(static_cast<char>(n));
    if (biff8) b.append('\x01');
    b.append(chars);
    return b;
  };
  auto bof = [&](int type) {
    QByteArray b;
    put16(b, biff8 ? 0x0600 : 0x0500);
    put16(b, type);
    put16(b, 0x0DBB);
    put16(b, 0x07CC);
    if (biff8) {
      put32(b, 0);
      put32(b, 0x06);
    }
    return b;
  };

  QByteArray out;
  record(out, 0x0809, bof(0x0005));
  if (password) {
    QByteArray fp;  // RC4 with a made-up salt and verifier
    put16(fp, 1);
    put16(fp, 1);
    put16(fp, 1);
    fp.append(QByteArray(48, '\x5A'));
    record(out, 0x002F, fp);
  }
  if (codepage != 0) {
    QByteArray cp;
    put16(cp, codepage);
    record(out, 0x0042, cp);
  }
  if (date1904) record(out, 0x0022, QByteArray("\x01\x00", 2));
  for (const auto& [index, code] : {std::pair{k_custom_format, "yyyy/mm/dd"}, {k_duration_format, "[h]:mm:ss"}}) {
    QByteArray fmt;
    put16(fmt, index);
    fmt.append(short_string(QString::fromLatin1(code), biff8));
    record(out, 0x041E, fmt);
  }
  for (int ifmt : {0, 14, k_custom_format, k_duration_format}) {
    QByteArray xf;
    put16(xf, 0);
    put16(xf, ifmt);
    xf.append(QByteArray(biff8 ? 16 : 12, '\0'));
    record(out, 0x00E0, xf);
  }
  std::vector<qsizetype> offset_at;
  for (const XlsSheet& sheet : sheets) {
    QByteArray bs;
    put32(bs, 0);  // patched below
    put16(bs, 0);  // visible worksheet
    bs.append(short_string(sheet.name(), false));
    offset_at.push_back(out.size() + 4);
    record(out, 0x0085, bs);
  }

  // Shared strings, each record holding whole strings only.
  std::map<QString, quint32> sst_index;
  QStringList sst;
  std::set<QString> rich;
  if (biff8)
    for (const XlsSheet& sheet : sheets)
      for (const auto& [pos, cell] : sheet.cells())
        if ((cell.kind == XlsSheet::Kind::text || cell.kind == XlsSheet::Kind::rich) &&
            !sst_index.count(cell.s)) {
          sst_index[cell.s] = static_cast<quint32>(sst.size());
          sst << cell.s;
          if (cell.kind == XlsSheet::Kind::rich) rich.insert(cell.s);
        }
  if (!sst.isEmpty()) write_sst(out, sst, rich, record_limit);
  record(out, 0x000A, {});

  for (size_t si = 0; si < sheets.size(); ++si) {
    const XlsSheet& sheet = sheets[si];
    set32(out, offset_at[si], static_cast<quint32>(out.size()));
    record(out, 0x0809, bof(0x0010));
    int rows = 0, cols = 0;
    for (const auto& [pos, cell] : sheet.cells()) {
      rows = std::max(rows, pos.first + 1);
      cols = std::max(cols, pos.second + 1);
    }
    QByteArray dim;
    if (biff8) {
      put32(dim, 0);
      put32(dim, static_cast<quint32>(rows));
    } else {
      put16(dim, 0);
      put16(dim, rows);
    }
    put16(dim, 0);
    put16(dim, cols);
    put16(dim, 0);
    record(out, 0x0200, dim);

    for (const auto& [pos, cell] : sheet.cells()) {
      using K = XlsSheet::Kind;
      QByteArray b;
      put16(b, pos.first);
      put16(b, pos.second);
      const int xf = cell.kind == K::date          ? k_xf_date
                     : cell.kind == K::date_custom ? k_xf_date_custom
                     : cell.kind == K::duration    ? k_xf_duration
                                                   : k_xf_general;
      put16(b, xf);
      switch (cell.kind) {
        case K::text:
        case K::rich:
          if (biff8) {
            put32(b, sst_index.at(cell.s));
            record(out, 0x00FD, b);
            break;
          }
          [[fallthrough]];  // BIFF5 has no string table
        case K::label:
          b.append(short_string(cell.s, true));
          if (cell.kind == K::rich) b.append("\x01\x00\x00", 3);  // one formatting run
          record(out, cell.kind == K::rich ? 0x00D6 : 0x0204, b);  // RSTRING or LABEL
          break;
        case K::number:
        case K::date:
        case K::date_custom:
        case K::duration:
          put_double(b, cell.d);
          record(out, 0x0203, b);
          break;
        case K::rk:
          put32(b, static_cast<quint32>(static_cast<int>(cell.d)) << 2 | 0x02);
          record(out, 0x027E, b);
          break;
        case K::boolean:
        case K::error:
          b.append(static_cast<char>(cell.d));
          b.append(cell.kind == K::error ? '\x01' : '\x00');
          record(out, 0x0205, b);
          break;
        case K::f_number:
        case K::f_text:
        case K::f_error: {
          QByteArray rgce;
          if (cell.kind == K::f_number) {
            put_double(b, cell.d);
            rgce.append('\x1F');  // ptgNum
            put_double(rgce, cell.d);
          } else {
            const bool text = cell.kind == K::f_text;
            b.append(text ? '\x00' : '\x02');
            b.append('\x00');
            b.append(text ? '\x00' : static_cast<char>(cell.d));
            b.append(QByteArray(3, '\0'));
            put16(b, 0xFFFF);
            if (text) {
              rgce.append('\x17');  // ptgStr
              rgce.append(short_string(cell.s, false));
            } else {
              rgce.append('\x1C');  // ptgErr
              rgce.append(static_cast<char>(cell.d));
            }
          }
          put16(b, 0);
          put32(b, 0);
          put16(b, static_cast<int>(rgce.size()));
          b.append(rgce);
          record(out, 0x0006, b);
          if (cell.kind == K::f_text) record(out, 0x0207, short_string(cell.s, true));
          break;
        }
      }
    }
    record(out, 0x000A, {});
  }
  return out;
}

QByteArray XlsBook::bytes() const {
  const QString name = !stream_name.isEmpty() ? stream_name
                       : codepage == 1200      ? QStringLiteral("Workbook")
                                               : QStringLiteral("Book");
  return compound_file(name, workbook_stream());
}

void XlsBook::save(const QString& path) const {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes()) < 0)
    throw std::runtime_error("cannot write " + path.toStdString());
}

}  // namespace tn::test
