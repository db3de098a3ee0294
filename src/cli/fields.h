#pragma once
// The fields on the command line: lists of their names ("title,year",
// "all"), the columns list and export show beside title, album and artist.

#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

#include "cli/cli.h"
#include "table/track_state.h"

namespace tn::cli {

// "title,album_artist" or "all" as the fields it names; nullopt, and the
// name no field has in *bad, when one is not a field's.
std::optional<FieldSet> parse_fields(const QString& list, QString* bad = nullptr);

// --fields LIST of list and export: the columns shown beside title, album
// and artist, as the windows' 表示 menu shows them.
inline const QString k_fields = QStringLiteral("--fields");
OptionSpec shown_fields_option();
QString check_shown_fields(const Args& args);
// Title, album and artist, and those --fields names.
FieldSet shown_fields_of(const Args& args);

class Session;

// write's run of the fields beside title, album and artist that `fields`
// names and of the columns given (field_bit values), all in one run in the
// history ("アルバム名・年を書込"): a row is written whole or refused whole.
// Its answer per row.
RowsWritten write_chosen_fields(Context& cx, const PerField<bool>& fields, int columns = 0);
// Those fields of row r of a run's --json: as its file holds them after the
// run; from_table: a dry run that would write the row.
void other_fields_outcome(const Session& s, const PerField<bool>& fields, bool from_table, int r, QJsonObject& row);

}  // namespace tn::cli
