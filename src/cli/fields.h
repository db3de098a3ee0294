#pragma once
// The fields on the command line: lists of their names ("title,year",
// "all"), the columns list and export show beside title, album and artist.

#include <QString>
#include <optional>

#include "cli/cli.h"
#include "table/track_state.h"

namespace tn::cli {

// "title,album_artist" or "all" as the fields it names; nullopt, and the
// name no field has in *bad, when one is not a field's.
std::optional<FieldSet> parse_fields(const QString& list, QString* bad = nullptr);

// --fields LIST of list and export: the columns shown beside title, album
// and artist, as the windows' 表示 menu shows them.
extern const QString k_fields;
OptionSpec shown_fields_option();
QString check_shown_fields(const Args& args);
// Title, album and artist, and those --fields names.
FieldSet shown_fields_of(const Args& args);

}  // namespace tn::cli
