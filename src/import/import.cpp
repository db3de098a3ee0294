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

void cmd_excel_read(Context& cx, ImportState& st, ImportHost& host) {
  if (!st.workbooks) st.workbooks = std::make_unique<Workbooks>();
  Workbooks& wb = *st.workbooks;
  Dialogs& d = cx.dialogs;
  auto fail = [&](const QString& message) {
    d.notify(message);
    wb.close_all();
  };

  // Stage 1: the workbook and "Sheet1", or a typed name; a text file has
  // one sheet, active from the open, and no question.
  if (!wb.open(st.file_name)) return fail(import_msg::open_failed);
  if (!wb.has_active_sheet()) {
    if (d.ask(import_msg::sheet1_question)) {
      if (!wb.activate_sheet(QStringLiteral("Sheet1"))) return fail(import_msg::open_failed);
    } else {
      const QString name = d.input(import_msg::sheet_prompt);
      if (name.isEmpty()) return fail(import_msg::blank_name);
      // Stage 2: the typed sheet, exactly as typed.
      if (!wb.activate_sheet(name)) return fail(import_msg::no_sheet);
    }
  }

  // Stage 3: the columns, their colour, closing, the report.
  bool ok = true;
  switch (st.format) {
    case 1:
      ok = excel_read_title(cx, wb);
      if (ok) paint_columns(cx, col::title, col::title, k_edited);
      break;
    case 2:
      ok = excel_read_tags(cx, wb);
      if (ok) paint_columns(cx, col::title, col::artist, k_edited);
      break;
    case 3:
      ok = excel_read_order_tags(cx, wb);
      if (ok) {
        paint_columns(cx, col::title, col::artist, k_edited);
        paint_columns(cx, col::order, col::order, k_edited);
      }
      break;
    case k_header_format:
      switch (excel_read_by_headers(cx, wb, host)) {
        case HeaderRead::done: break;
        case HeaderRead::declined: return wb.close_all();
        case HeaderRead::no_columns: return fail(import_msg::no_headers);
        case HeaderRead::failed: ok = false; break;
      }
      break;
    default:
      break;
  }
  if (!ok) return fail(import_msg::read_failed);
  wb.close_all();
  host.close_import_dialog();
  d.notify(import_msg::done);
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
