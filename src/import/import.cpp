#include "import/import.h"

#include <initializer_list>
#include <utility>

#include "import/header_layout.h"
#include "import/messages.h"
#include "table/dialogs.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"

namespace tn {

namespace {

using ColumnPair = std::pair<char, int>;  // sheet column letter, table column

bool read_columns(Context& cx, const Workbooks& wb, std::initializer_list<ColumnPair> pairs) {
  Grid& g = cx.ss1;
  for (const auto& [letter, table_col] : pairs) {
    g.set_col(table_col);
    g.set_row(1);
    const int n = cx.state.file_count;
    for (int i = 1; i <= n; ++i) {
      g.set_col(table_col);
      g.set_row(i);
      const auto value = wb.cell_value(QChar(letter) + QString::number(i));
      if (!value) return false;
      g.set_text(*value);
      // Marked at once, so a read that fails further on leaves no changed
      // cell looking like its file.
      g.mark(table_col, i, CellMark::edited);
    }
  }
  return true;
}

}  // namespace

void cmd_excel(Context& cx, ImportState& st, ImportHost& host) {
  const auto picked =
      cx.dialogs.open_file(cx.state.edit_folder, import_msg::file_filters, import_msg::spreadsheet_filter);
  if (!picked) return;
  st.file_name = *picked;
  host.show_import_dialog();
}

void choose_format(ImportState& st, Grid& ss2, int format) {
  const QStringList& texts = format == k_header_format ? import_msg::example_4
                             : format == 3             ? import_msg::example_3
                             : format == 2 ? import_msg::example_2
                                           : import_msg::example_1;
  ss2.set_max_cols(static_cast<int>(texts.size()));
  ss2.set_col(1);
  ss2.set_row(1);
  ss2.set_text(texts[0]);
  for (int j = 2; j <= texts.size(); ++j) {
    ss2.set_col(j);
    ss2.set_text(texts[j - 1]);
  }
  st.format = static_cast<qint16>(format);
}

namespace {

// The sheet choices name, active on wb; the refusal's text when there is
// none. A text file has one sheet, active from the open, and no question.
QString activate_sheet(Workbooks& wb, const ImportChoices& choices) {
  if (!wb.open(choices.file)) return import_msg::open_failed;
  if (wb.has_active_sheet()) return {};
  const std::optional<QString> name = choices.sheet ? choices.sheet() : std::nullopt;
  if (!name) return wb.activate_sheet(QStringLiteral("Sheet1")) ? QString() : import_msg::open_failed;
  if (name->isEmpty()) return import_msg::blank_name;
  // Exactly as typed.
  return wb.activate_sheet(*name) ? QString() : import_msg::no_sheet;
}

// The columns of the format, read and coloured; false at the first cell
// that fails (the cells already written stay, marked).
bool read_format(Context& cx, const Workbooks& wb, int format, std::vector<int>& columns) {
  switch (format) {
    case 1: columns = {col::title}; break;
    case 2: columns = {col::title, col::album, col::artist}; break;
    case 3: columns = {col::order, col::title, col::album, col::artist}; break;
    default: return true;
  }
  const bool ok = format == 1 ? excel_read_title(cx, wb) : format == 2 ? excel_read_tags(cx, wb)
                                                                       : excel_read_order_tags(cx, wb);
  if (!ok) return false;
  paint_columns(cx, col::title, format == 1 ? col::title : col::artist, k_edited);
  if (format == 3) paint_columns(cx, col::order, col::order, k_edited);
  return true;
}

ImportRun read_sheet(Context& cx, const Workbooks& wb, const ImportChoices& choices) {
  ImportRun run;
  const auto refused = [&](const QString& text) {
    run.text = text;
    return run;
  };
  if (choices.format != k_header_format) {
    if (!read_format(cx, wb, choices.format, run.columns)) return refused(import_msg::read_failed);
  } else {
    switch (excel_read_by_headers(cx, wb, choices.take, &run.columns)) {
      case HeaderRead::done: break;
      case HeaderRead::declined: run.end = ImportEnd::declined; return run;
      case HeaderRead::no_columns: return refused(import_msg::no_headers);
      case HeaderRead::failed: return refused(import_msg::read_failed);
    }
  }
  run.end = ImportEnd::done;
  run.text = import_msg::done;
  return run;
}

}  // namespace

ImportRun import_sheet(Context& cx, Workbooks& wb, const ImportChoices& choices) {
  ImportRun run;
  if (const QString refusal = activate_sheet(wb, choices); !refusal.isEmpty()) run.text = refusal;
  else run = read_sheet(cx, wb, choices);
  wb.close_all();
  return run;
}

void cmd_excel_read(Context& cx, ImportState& st, ImportHost& host) {
  if (!st.workbooks) st.workbooks = std::make_unique<Workbooks>();
  Dialogs& d = cx.dialogs;
  ImportChoices choices{st.file_name, st.format, {}, {}};
  choices.sheet = [&]() -> std::optional<QString> {
    if (d.ask(import_msg::sheet1_question)) return std::nullopt;
    return d.input(import_msg::sheet_prompt);
  };
  choices.take = [&](const HeaderImport& sheet) {
    host.show_preview(sheet);
    return d.ask(header_rows_warning(sheet, cx.state.file_count) + import_msg::preview_question);
  };
  const ImportRun run = import_sheet(cx, *st.workbooks, choices);
  if (run.end == ImportEnd::done) host.close_import_dialog();
  if (!run.text.isEmpty()) d.notify(run.text);
}

bool excel_read_title(Context& cx, const Workbooks& wb) {
  return read_columns(cx, wb, {{'A', col::title}});
}

bool excel_read_tags(Context& cx, const Workbooks& wb) {
  return read_columns(cx, wb, {{'A', col::title}, {'B', col::album}, {'C', col::artist}});
}

bool excel_read_order_tags(Context& cx, const Workbooks& wb) {
  return read_columns(cx, wb,
                      {{'A', col::order}, {'B', col::title}, {'C', col::album}, {'D', col::artist}});
}

}  // namespace tn
