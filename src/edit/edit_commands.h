#pragma once
// Batch edits of the tag columns, and the two ways back to the files' state.

#include <QString>

#include "table/context.h"

namespace tn {

// One album (artist) typed into txt_all_al (txt_all_art) into every row.
void cmd_all_al(Context& cx, const QString& text);
void cmd_all_art(Context& cx, const QString& text);
// The fill behind both, for any tag column c: the question fill_need names
// (empty_question before an empty text clears the column), then fill_rows.
void fill_column(Context& cx, int c, const QString& text, const QString& empty_question);

// What a fill of column c with text needs before it goes ahead: an empty
// text clears the column, a text of more than 30 characters is refused, and
// cells with text in them are overwritten.
enum class FillNeed { nothing, clear_question, overwrite_question, too_long };
FillNeed fill_need(Context& cx, int c, const QString& text);

enum class FillEnd { done, declined, refused };
struct FillRun {
  FillEnd end = FillEnd::done;
  QString text;  // the refusal
};
// Every row's cell of column c set to text (painted edited; cleared cells
// white). consent: the answer to the question fill_need names; without it
// nothing changes.
FillRun fill_rows(Context& cx, int c, const QString& text, bool consent);

// Titles from the file-name column, without / with the track order in front.
void cmd_fname(Context& cx);
void cmd_zyun_fname(Context& cx);
// What both do once asked: the title of every row with a file and a name of
// four or more characters. Returns how many rows got one.
int titles_from_names(Context& cx, bool with_order);
// Clear everything and reload from the folder; undo unwritten tag edits.
void cmd_cls(Context& cx);
void cmd_modosu2(Context& cx);

}  // namespace tn
