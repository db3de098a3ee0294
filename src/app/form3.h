#pragma once
// The import dialog: the choice of column layout, its example row and the
// read. Modeless; destroyed by 戻る, by a successful read and by closing.

#include <QDialog>
#include <QPointer>
#include <array>

#include "app/qt_grid.h"
#include "import/header_layout.h"
#include "import/import.h"

class QLabel;
class QRadioButton;
class QTableWidget;

namespace tn {

class Form3 final : public QDialog {
  Q_OBJECT
 public:
  // Runs the dialog's load step: format 1 and its example row.
  Form3(Context& cx, ImportState& st, ImportHost& host, QWidget* parent = nullptr);

  QtGrid& ss2() { return ss2_; }
  // The rows the import by header names would bring, under the dialog: a
  // cell that changes the table in the edited colour, a file name that
  // differs from the row's in the error colour.
  void show_preview(const HeaderImport& sheet);

 private:
  void choose(int format);
  void build_preview();
  std::array<QWidget*, 3> preview_parts() const;

  Context& cx_;
  ImportState& st_;
  ImportHost& host_;
  QTableWidget* ss2_table_;
  QtGrid ss2_;
  QLabel* preview_label_ = nullptr;
  QTableWidget* preview_ = nullptr;
  QLabel* skipped_ = nullptr;
};

// What the main window holds for the import: the shared import values and
// the one import dialog. cmd_excel() is what the button cmd_excel and the menu
// item "EXCELファイルより読込(&E)" run.
class ImportWindows final : public ImportHost {
 public:
  ImportWindows(Context& cx, QWidget* main_window) : cx_(cx), main_(main_window) {}
  ~ImportWindows() override;

  void cmd_excel() { tn::cmd_excel(cx_, st_, *this); }
  ImportState& state() { return st_; }
  Form3* form3() const { return form_; }

  void show_import_dialog() override;
  void close_import_dialog() override;
  void show_preview(const HeaderImport& sheet) override;

 private:
  Context& cx_;
  QWidget* main_;
  ImportState st_;
  QPointer<Form3> form_;
};

}  // namespace tn
