#include "import/cell_text.h"

#include <QDate>
#include <QLocale>
#include <cmath>

namespace tn {

QString number_text(double d) {
  if (d == std::floor(d) && std::fabs(d) < 1e15) return QString::number(static_cast<qint64>(d));
  const double size = std::fabs(d);
  if (size >= 1e21 || size < 1e-9) return QString::number(d, 'E', QLocale::FloatingPointShortest);
  return QString::number(d, 'f', QLocale::FloatingPointShortest);
}

NumberKind number_kind_of_builtin(int id) {
  if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
      (id >= 50 && id <= 58))
    return NumberKind::date;
  if ((id >= 18 && id <= 21) || id == 32 || id == 33 || id == 45 || id == 47)
    return NumberKind::time;
  if (id == 22) return NumberKind::datetime;
  if (id == 46) return NumberKind::elapsed;
  if (id == 11 || id == 48) return NumberKind::exponent;
  return NumberKind::none;
}

NumberKind number_kind_of_format(const QString& code) {
  bool date = false, time = false, month = false, elapsed = false, exponent = false;
  for (qsizetype i = 0; i < code.size(); ++i) {
    const QChar c = code[i].toLower();
    if (c == u';') break;
    if (c == u'"') {  // literal text
      const qsizetype end = code.indexOf(u'"', i + 1);
      if (end < 0) break;
      i = end;
    } else if (c == u'\\' || c == u'_' || c == u'*') {
      ++i;  // an escaped or padding character
    } else if (c == u'[') {
      // A colour, a condition or a locale; [h], [mm], [ss] are elapsed time.
      const qsizetype end = code.indexOf(u']', i + 1);
      if (end < 0) break;
      const QString inner = code.mid(i + 1, end - i - 1).toLower();
      if (!inner.isEmpty() && inner.count(inner[0]) == inner.size() &&
          (inner[0] == u'h' || inner[0] == u'm' || inner[0] == u's'))
        time = elapsed = true;
      i = end;
    } else if (code.mid(i, 7).compare(QLatin1String("general"), Qt::CaseInsensitive) == 0) {
      i += 6;
    } else if (code.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
      i += 4;
      time = true;
    } else if (c == u'e' && i + 1 < code.size() && (code[i + 1] == u'+' || code[i + 1] == u'-')) {
      ++i;  // the exponent of "0.00E+00"
      exponent = true;
    } else if (c == u'y' || c == u'd' || c == u'e' || c == u'g') {
      date = true;
    } else if (c == u'h' || c == u's') {
      time = true;
    } else if (c == u'm') {
      month = true;
    }
  }
  // "m" is the month unless hours or seconds stand beside it.
  if (month && !time) date = true;
  if (date && time) return NumberKind::datetime;
  if (date) return NumberKind::date;
  if (time) return elapsed ? NumberKind::elapsed : NumberKind::time;
  return exponent ? NumberKind::exponent : NumberKind::none;
}

QString clock_text(qint64 seconds) {
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString iso_date_text(const QString& iso) {
  const QString time = iso.mid(11, 8);
  return time.isEmpty() || time == u"00:00:00" ? iso.left(10) : iso.left(10) + u' ' + time;
}

QString serial_text(double serial, NumberKind kind, bool date1904) {
  if (!std::isfinite(serial)) return number_text(serial);
  if (kind == NumberKind::exponent) return QString::number(serial, 'E', QLocale::FloatingPointShortest);
  if (kind == NumberKind::none || serial < 0 || serial >= 2958466) return number_text(serial);
  if (kind == NumberKind::elapsed) return clock_text(std::llround(serial * 86400.0));
  double days = std::floor(serial);
  qint64 seconds = std::llround((serial - days) * 86400.0);
  if (seconds >= 86400) {
    days += 1;
    seconds -= 86400;
  }
  const QString clock = clock_text(seconds);
  if (kind == NumberKind::time) return clock;
  QString day;
  if (!date1904 && days == 60) {
    day = QStringLiteral("1900-02-29");  // the day the 1900 system counts but the calendar lacks
  } else {
    const QDate base = date1904 ? QDate(1904, 1, 1) : days < 60 ? QDate(1899, 12, 31) : QDate(1899, 12, 30);
    day = base.addDays(static_cast<qint64>(days)).toString(QStringLiteral("yyyy-MM-dd"));
  }
  return kind == NumberKind::date ? day : day + u' ' + clock;
}

}  // namespace tn
