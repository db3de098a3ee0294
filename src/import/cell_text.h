#pragma once
// How a cell's value becomes the text the import puts into the table, the
// same for every spreadsheet format: integers as their digits, other numbers
// in plain decimal notation, date serials and durations through their
// number format.

#include <QString>

namespace tn {

// What a number format shows of a number: the number itself, a date, a
// time of day, a duration that may pass 24 hours ("[h]:mm:ss"), or the
// number with an exponent ("0.00E+00").
enum class NumberKind { none, date, datetime, time, elapsed, exponent };

// Integers as digits ("3", not "3.0"), other numbers in the fewest digits
// that give them back, in plain decimal notation ("-0.0003") unless they are
// too big or too small for it to be readable ("1E+21", "1E-10").
QString number_text(double d);

// The kind of a number format code ("yyyy/mm/dd", "[$-411]ggge年m月d日",
// "h:mm", "#,##0"); only the first section counts.
NumberKind number_kind_of_format(const QString& code);
// The kind of a built-in format number (BIFF and Office Open XML share them).
NumberKind number_kind_of_builtin(int format_id);

// Seconds as "HH:MM:SS" (hours may pass 23).
QString clock_text(qint64 seconds);
// An ISO 8601 date or date-time ("2024-03-15", "2024-03-15T10:30:00.5") as
// YYYY-MM-DD, or "YYYY-MM-DD HH:MM:SS" when the time is not midnight.
QString iso_date_text(const QString& iso);

// A serial of the 1900 (or 1904) date system as YYYY-MM-DD, "YYYY-MM-DD
// HH:MM:SS" or "HH:MM:SS" (the whole duration for elapsed: "255:10:10"); a
// serial no date has (negative, past 9999) keeps its number text.
QString serial_text(double serial, NumberKind kind, bool date1904 = false);

}  // namespace tn
