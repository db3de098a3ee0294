#pragma once
// The spreadsheet import: picking the file, the import dialog's format
// choice and its read, and the three column readers.

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "import/workbook.h"
#include "table/context.h"

namespace tn {

class Grid;
struct HeaderImport;

// The windows the import drives; the main window implements it.
class ImportHost {
 public:
  virtual ~ImportHost() = default;
  // Creates the import dialog if there is none (its load step selects
  // format 1) and shows it, modeless; an open one keeps its format.
  virtual void show_import_dialog() = 0;
  // Unloads the import dialog.
  virtual void close_import_dialog() = 0;
  // Shows what the import by header names would put into the table, before
  // its question.
  virtual void show_preview(const HeaderImport& /*sheet*/) {}
};

// The values shared by the main window and the import dialog; one object for
// the whole run of the program.
struct ImportState {
  QString file_name;    // full path last picked in the open-file dialog
  qint16 format = 1;    // 1, 2 or 3, or 4 by header names
  // Created by the first read, kept to the end of the program.
  std::unique_ptr<Workbooks> workbooks;
};

// The answers an import's questions get, each asked only when the import
// comes to it.
struct ImportChoices {
  QString file;
  int format = 1;  // 1, 2, 3 or k_header_format
  // The sheet of a workbook (a text file has one, and nobody is asked):
  // nullopt reads "Sheet1", else the sheet named exactly so; an empty name is
  // refused. None given: "Sheet1".
  std::function<std::optional<QString>()> sheet;
  // Whether an import by header names takes what it read; none given: yes.
  std::function<bool(const HeaderImport&)> take;
};

enum class ImportEnd { done, declined, refused };

struct ImportRun {
  ImportEnd end = ImportEnd::refused;
  // The notice: import_msg::done, or the refusal. Empty when declined.
  QString text;
  // The table columns the import filled: the format's, or by header names
  // those in which a cell changed. A refused read may have written some of
  // its cells (marked edited) all the same.
  std::vector<int> columns;
};

// The import of choices.file into the table: open, the sheet, the columns
// of the format read and coloured, the workbooks closed again.
ImportRun import_sheet(Context& cx, Workbooks& wb, const ImportChoices& choices);

// cmd_excel: open-file dialog at the edit folder; on a pick, keep the path
// and show the import dialog. Cancel ends silently.
void cmd_excel(Context& cx, ImportState& st, ImportHost& host);
// Option button of format 1..4: the example row on ss2, then the format.
void choose_format(ImportState& st, Grid& ss2, int format);
// 読込開始: import_sheet with the questions asked, then the dialog closed
// and the report.
void cmd_excel_read(Context& cx, ImportState& st, ImportHost& host);

// Column readers: sheet columns of the active sheet into rows 1..N of the
// table, column by column, each cell written marked edited. False at the
// first cell that fails; the cells already written stay, marked.
bool excel_read_title(Context& cx, const Workbooks& wb);
bool excel_read_tags(Context& cx, const Workbooks& wb);
bool excel_read_order_tags(Context& cx, const Workbooks& wb);

}  // namespace tn
