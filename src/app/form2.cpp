#include "app/form2.h"

#include <QCollator>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeWidget>
#include <algorithm>

#include "app/fonts.h"
#include "app/form1.h"
#include "app/messages.h"
#include "app/program_icon.h"
#include "table/dialogs.h"
#include "table/folder.h"
#include "table/track_table.h"

namespace tn {

namespace {
constexpr int k_path_role = Qt::UserRole;
constexpr int k_listed_role = Qt::UserRole + 1;

QTreeWidgetItem* folder_item(const QString& text, const QString& path) {
  auto* it = new QTreeWidgetItem(QStringList{text});
  it->setData(0, k_path_role, path);
  it->setData(0, k_listed_role, false);
  // Children are listed on first opening; until then assume there are some.
  it->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return it;
}

QString child_path(const QString& parent, const QString& name) {
  return with_trailing_slash(parent) + name;
}

// A folder as Dir1 holds it: absolute, links resolved, no trailing "/" but
// for the root.
QString clean_folder(const QString& path) {
  const QFileInfo fi(path);
  const QString canonical = fi.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(fi.absoluteFilePath()) : canonical;
}
}  // namespace

Form2::Form2(Form1& main, const QString& start_folder, QWidget* parent)
    : QWidget(parent),
      main_(main),
      drive1_(new QComboBox(this)),
      dir1_(new QTreeWidget(this)),
      file1_(new QListWidget(this)),
      txt_folder_(new QLineEdit(this)),
      recent_(new QComboBox(this)),
      end_program_([] { QCoreApplication::exit(0); }) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(caption::form2);
  setWindowIcon(program_icon());
  setFont(gothic_font(9));
  setAcceptDrops(true);

  auto* name = new QLabel(caption::lbl_name, this);
  name->setObjectName(QStringLiteral("lbl_name"));
  name->setFont(mincho_font(20));
  drive1_->setObjectName(QStringLiteral("Drive1"));
  dir1_->setObjectName(QStringLiteral("Dir1"));
  dir1_->setHeaderHidden(true);
  dir1_->setColumnCount(1);
  file1_->setObjectName(QStringLiteral("File1"));
  file1_->setSelectionMode(QAbstractItemView::NoSelection);
  txt_folder_->setObjectName(QStringLiteral("txt_folder"));
  recent_->setObjectName(QStringLiteral("cmb_recent"));
  recent_->setToolTip(tip::cmb_recent);
  recent_->setAccessibleDescription(tip::cmb_recent);
  drive1_->setAccessibleName(acc::drive1);
  dir1_->setAccessibleName(acc::dir1);
  file1_->setAccessibleName(acc::file1);
  txt_folder_->setAccessibleName(acc::txt_folder);
  recent_->setAccessibleName(caption::lbl_recent);
  auto* set = new QPushButton(caption::cmd_set, this);
  set->setObjectName(QStringLiteral("cmd_set"));
  set->setToolTip(tip::cmd_set);
  auto* end = new QPushButton(caption::cmd_end2, this);
  end->setObjectName(QStringLiteral("cmd_end"));
  end->setToolTip(tip::cmd_end);
  for (QPushButton* b : {set, end}) {
    b->setAutoDefault(false);
    b->setMinimumWidth(96);
  }

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(14, 10, 14, 12);
  grid->setHorizontalSpacing(12);
  grid->addWidget(name, 0, 0, 1, 2);
  const auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  auto* drive_row = new QHBoxLayout;
  drive_row->addWidget(label(caption::lbl_drive, drive1_));
  drive_row->addWidget(drive1_, 1);
  grid->addLayout(drive_row, 1, 0);
  auto* recent_row = new QHBoxLayout;
  recent_row->addWidget(label(caption::lbl_recent, recent_));
  recent_row->addWidget(recent_, 1);
  grid->addLayout(recent_row, 1, 1);
  grid->addWidget(label(caption::lbl_folder, dir1_), 2, 0);
  grid->addWidget(label(caption::lbl_files, file1_), 2, 1);
  grid->addWidget(dir1_, 3, 0);
  grid->addWidget(file1_, 3, 1);
  grid->addWidget(txt_folder_, 4, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(set);
  buttons->addWidget(end);
  grid->addLayout(buttons, 5, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  resize(640, 460);

  connect(drive1_, &QComboBox::currentIndexChanged, this, &Form2::drive_changed);
  connect(dir1_, &QTreeWidget::itemExpanded, this, &Form2::expand_item);
  connect(dir1_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { dir_changed(current); });
  connect(txt_folder_, &QLineEdit::editingFinished, this, &Form2::path_typed);
  connect(recent_, &QComboBox::activated, this, [this](int i) {
    set_folder(recent_->itemData(i).toString());
    // Nothing stays picked: the list offers folders, Dir1 shows the folder.
    recent_->setCurrentIndex(-1);
  });
  connect(set, &QPushButton::clicked, this, &Form2::cmd_set_click);
  connect(end, &QPushButton::clicked, this, &Form2::cmd_end_click);

  // Load: the program's own folder; if that fails the first drive's root.
  fill_drives();
  fill_recent();
  if (!set_folder(start_folder) && drive1_->count() > 0) drive_changed(0);
}

void Form2::fill_drives() {
  QStringList roots;
  QHash<QString, QString> names;
  for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
    if (!s.isValid() || !s.isReady() || !QFileInfo(s.rootPath()).isDir()) continue;
    if (!roots.contains(s.rootPath())) roots << s.rootPath();
    if (!s.name().isEmpty()) names[s.rootPath()] = s.name();
  }
  if (!roots.contains(QStringLiteral("/"))) roots << QStringLiteral("/");
  QCollator collator{QLocale::c()};
  collator.setNumericMode(true);
  std::sort(roots.begin(), roots.end(), [&](const QString& a, const QString& b) {
    if (a == QLatin1String("/") || b == QLatin1String("/")) return a == QLatin1String("/") && b != a;
    return collator.compare(a, b) < 0;
  });
  const QSignalBlocker block(drive1_);
  drive1_->clear();
  for (const QString& r : roots)
    drive1_->addItem(names.contains(r) ? r + QStringLiteral("  [") + names[r] + QLatin1Char(']') : r,
                     r);
}

QString Form2::drive_text() const { return drive1_->currentText(); }

QStringList Form2::files() const {
  QStringList out;
  for (int i = 0; i < file1_->count(); ++i) out << file1_->item(i)->text();
  return out;
}

bool Form2::set_drive(const QString& root_path) {
  const int i = drive1_->findData(root_path);
  if (i < 0) return false;
  if (i == drive1_->currentIndex())
    drive_changed(i);
  else
    drive1_->setCurrentIndex(i);
  return root_ == root_path;
}

void Form2::drive_changed(int index) {
  const QString root = drive1_->itemData(index).toString();
  if (!QFileInfo(root).isDir() || !QFileInfo(root).isReadable()) {
    // A drive that can't be read: the folder list stays where it was.
    const QSignalBlocker block(drive1_);
    drive1_->setCurrentIndex(drive1_->findData(root_));
    return;
  }
  set_root(root);
  dir1_->setCurrentItem(dir1_->topLevelItem(0));
}

void Form2::set_root(const QString& root) {
  const QSignalBlocker block(dir1_);
  dir1_->clear();
  root_ = root;
  dir1_->addTopLevelItem(folder_item(root, root));
}

bool Form2::set_folder(const QString& path) {
  const QFileInfo fi(path);
  if (path.isEmpty() || !fi.isDir() || !fi.isReadable()) return false;
  const QString folder = clean_folder(path);
  QString root = QStorageInfo(folder).rootPath();
  if (root.isEmpty()) root = QStringLiteral("/");
  if (drive1_->findData(root) < 0) drive1_->addItem(root, root);
  {
    const QSignalBlocker block(drive1_);
    drive1_->setCurrentIndex(drive1_->findData(root));
  }
  if (root != root_ || dir1_->topLevelItemCount() == 0) set_root(root);

  QTreeWidgetItem* item = dir1_->topLevelItem(0);
  const QString rel = QDir(root).relativeFilePath(folder);
  if (rel != QLatin1String(".")) {
    for (const QString& part : rel.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
      expand_item(item);
      QTreeWidgetItem* child = child_named(item, part);
      if (!child) {
        // Hidden folders are not listed but may still be typed.
        child = folder_item(part, child_path(item->data(0, k_path_role).toString(), part));
        item->addChild(child);
      }
      item->setExpanded(true);
      item = child;
    }
  }
  {
    const QSignalBlocker block(dir1_);
    dir1_->setCurrentItem(item);
  }
  dir1_->scrollToItem(item);
  dir_changed(item);
  return true;
}

void Form2::expand_item(QTreeWidgetItem* item) {
  if (!item || item->data(0, k_listed_role).toBool()) return;
  item->setData(0, k_listed_role, true);
  const QString path = item->data(0, k_path_role).toString();
  QStringList subs = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
  QCollator collator{QLocale::c()};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(subs.begin(), subs.end(),
            [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
  for (const QString& s : subs) item->addChild(folder_item(s, child_path(path, s)));
  item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* Form2::child_named(QTreeWidgetItem* parent, const QString& name) {
  for (int i = 0; i < parent->childCount(); ++i)
    if (parent->child(i)->text(0) == name) return parent->child(i);
  return nullptr;
}

void Form2::dir_changed(QTreeWidgetItem* item) {
  if (!item) return;
  folder_ = item->data(0, k_path_role).toString();
  txt_folder_->setText(folder_);
  refresh_files();
}

void Form2::refresh_files() {
  file1_->clear();
  file1_->addItems(list_mp3_files(folder_, &links_));
}

void Form2::path_typed() {
  QString typed = txt_folder_->text().trimmed();
  if (typed == folder_) return;
  if (typed.startsWith(QLatin1Char('~'))) typed.replace(0, 1, QDir::homePath());
  if (!set_folder(typed)) txt_folder_->setText(folder_);
}

void Form2::cmd_set_click() {
  path_typed();
  // List again: the folder may have changed since it was chosen.
  refresh_files();
  if (confirm_folder(main_.context(), *this, folder_, drive_text(), files())) {
    // Once, after the rows: the links are in none of them.
    if (!links_.isEmpty()) main_.context().dialogs.notify(links_skipped_text(links_));
    recent_folders_.remember(folder_);
    fill_recent();
  }
}

void Form2::set_recent_folders(RecentFolders recent) {
  recent_folders_ = recent;
  fill_recent();
}

void Form2::fill_recent() {
  recent_->clear();
  for (const QString& f : recent_folders_.list()) recent_->addItem(f, f);
  recent_->setCurrentIndex(-1);
}

QStringList Form2::offered_folders() const {
  QStringList out;
  for (int i = 0; i < recent_->count(); ++i) out << recent_->itemData(i).toString();
  return out;
}

void Form2::showEvent(QShowEvent* event) {
  fill_recent();  // a folder may have gone since
  QWidget::showEvent(event);
}

void Form2::dragEnterEvent(QDragEnterEvent* event) {
  if (!dropped_folder(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form2::dropEvent(QDropEvent* event) {
  const QString folder = dropped_folder(event->mimeData());
  if (folder.isEmpty() || !set_folder(folder)) return;
  event->acceptProposedAction();
  raise();
  activateWindow();
}

void Form2::cmd_end_click() {
  // Shown again over a main window with unwritten edits: those are asked for.
  Context& cx = main_.context();
  if (main_.isVisible() && has_unwritten_edits(cx) && !cx.dialogs.ask_default_no(msg::discard_on_end))
    return;
  end_program_();
}

void Form2::hide_startup() { hide(); }

void Form2::show_main() {
  main_.show();
  main_.raise();
  main_.activateWindow();
}

void Form2::set_main_caption(const QString& caption) { main_.setWindowTitle(caption); }

}  // namespace tn
