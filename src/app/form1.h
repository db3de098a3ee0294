#pragma once
// The main window: the track table, the command buttons and the menu bar.
// Buttons and menu items only route to the commands of the other modules.

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <span>

#include "app/form3.h"
#include "app/qt_grid.h"
#include "app/qt_progress.h"
#include "table/context.h"

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QScrollArea;
class QTableWidget;

namespace tn {

namespace readings {
class Readings;
}
class Form2;
class Form4;
class GridEditing;

class Form1 final : public QMainWindow {
  Q_OBJECT

 public:
  // One command: the button and the menu items that run it, and what runs.
  struct Route {
    const char* command;
    const char* button;                  // object name; nullptr: menu only
    std::array<const char*, 2> items;    // object names of its menu items
    void (*run)(Form1&);
  };
  static std::span<const Route> routes();

  Form1(TrackState& state, Dialogs& dialogs, TagLibrary& tags, QWidget* parent = nullptr);
  ~Form1() override;

  Context& context() { return cx_; }
  QtGrid& grid() { return grid_; }
  GridEditing& editing() { return *editing_; }
  QTableWidget* ss1() const { return table_; }
  QString album_text() const;
  QString artist_text() const;

  // The start-up form, shown again by cmd_dir and unloaded on close.
  void set_startup_form(Form2* form2);
  // What ending the program does; quits the event loop unless replaced.
  void set_end_program(std::function<void()> end) { end_program_ = std::move(end); }

  // Runs route's command as its button and its menu items do.
  void run_command(const Route& route);

  // The shell's own commands.
  void cmd_dir();
  // A folder dropped on the window: cmd_dir, then the start-up form on it.
  void reselect(const QString& folder);
  void cmd_end();
  void cmd_excel();
  // The folder's runs of writes and renames to choose from, then the undo.
  void cmd_undo_history();
  void show_about();
  Form4* about_box() const;
  ImportWindows& import_windows() { return import_; }
  // The readings (よみがな) and the user's dictionary of them, opened when
  // first needed: the program starts without MeCab.
  readings::Readings& readings();

 signals:
  // Emitted with the command's name before it runs.
  void command_started(const QString& command);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_controls();
  void build_menus();
  void build_input_menu();  // TAG入力メニュー
  // A menu item named name that runs its route's command.
  QAction* add_item(QMenu* m, const char* name, const QString& text, const QKeySequence& key = {});
  // A menu of the menu bar (parent nullptr) or a submenu.
  QMenu* add_menu(QMenu* parent, const char* name, const QString& text);
  // 表示: a check item for each column beside title, album and artist.
  void build_view_menu(QMenuBar* bar);
  // Shows the columns of the shown fields and checks their items, after the
  // menu or a command (an import) showed one.
  void show_fields();
  void setup_ss1();
  void place_ss1();
  void fit_to_screen();
  // The question before the table may be lost: usual, or with unwritten
  // edits discard (No the default).
  bool confirm(const QString& usual, const QString& discard);

  QScrollArea* scroll_;
  bool fitted_ = false;  // fitted again on first showing, frame known
  QWidget* client_;
  QTableWidget* table_;
  QtGrid grid_;
  std::unique_ptr<GridEditing> editing_;  // keys and sorting of the table
  QtProgress progress_{this};
  QtLockWait lock_wait_{this};  // of the process, while this window lives
  Context cx_;
  ImportWindows import_;
  QLineEdit* txt_all_al_ = nullptr;
  QLineEdit* txt_all_art_ = nullptr;
  QPointer<Form2> startup_;
  QPointer<Form4> about_;
  std::function<void()> end_program_;
  std::unique_ptr<readings::Readings> readings_;
};

// The client area at its design size, the smallest it shows whole; beyond
// it the track table takes the room.
inline constexpr QSize k_client_design{916, 530};
// Decoration in the strip below the table, kept at the bottom right.
inline constexpr QRect k_produced_geometry{703, 508, 200, 20};

// Track table column widths in the grid's character units, and their pixels
// when they share out available pixels. The other fields' columns, shown
// beside them on request, take the widths of their headers and the table
// scrolls.
inline constexpr std::array<double, 5> k_ss1_column_units = {5.12, 26.25, 28.87, 26.25, 26.25};
std::array<int, 5> ss1_column_pixels(int available);

}  // namespace tn
