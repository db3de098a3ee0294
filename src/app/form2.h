#pragma once
// The start-up form: pick a drive and a folder, see its MP3 files, confirm.

#include <QWidget>
#include <functional>

#include "app/desktop.h"
#include "shell/folder_confirm.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tn {

class Form1;

class Form2 final : public QWidget, private Shell {
  Q_OBJECT

 public:
  // start_folder: where the lists point first (the program's own folder).
  Form2(Form1& main, const QString& start_folder, QWidget* parent = nullptr);

  // The folder Dir1 shows: no trailing "/" but for a root.
  QString folder() const { return folder_; }
  QString drive_text() const;
  QStringList files() const;  // File1's entries, in order

  // Points Dir1 at path, opening the tree down to it. False, and nothing
  // changes, when path is not a readable folder.
  bool set_folder(const QString& path);
  // Selects the drive whose root is root_path; Dir1 follows.
  bool set_drive(const QString& root_path);

  void set_end_program(std::function<void()> end) { end_program_ = std::move(end); }
  // Where the folders confirmed here are kept and offered from.
  void set_recent_folders(RecentFolders recent);
  QStringList offered_folders() const;  // the recent list as shown

  void cmd_set_click();
  void cmd_end_click();

 protected:
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void hide_startup() override;
  void show_main() override;
  void set_main_caption(const QString& caption) override;

  void fill_drives();
  void fill_recent();
  void drive_changed(int index);
  void dir_changed(QTreeWidgetItem* item);
  void refresh_files();
  void path_typed();
  void set_root(const QString& root);
  void expand_item(QTreeWidgetItem* item);
  QTreeWidgetItem* child_named(QTreeWidgetItem* parent, const QString& name);

  Form1& main_;
  QComboBox* drive1_;
  QTreeWidget* dir1_;
  QListWidget* file1_;
  QStringList links_;  // the folder's links to MP3 files, kept out of file1_
  QLineEdit* txt_folder_;
  QComboBox* recent_;
  RecentFolders recent_folders_;
  QString root_;    // the drive Dir1 shows
  QString folder_;  // the folder Dir1 shows
  std::function<void()> end_program_;
};

}  // namespace tn
