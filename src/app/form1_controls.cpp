// The controls and menus of the main window, and the command each one runs.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <algorithm>

#include "app/form1.h"
#include "app/messages.h"
#include "clean_up/clean_up.h"
#include "edit/edit_commands.h"
#include "export/export.h"
#include "history/messages.h"
#include "readings/fill_readings.h"
#include "rename/rename_commands.h"
#include "tag_rows/tag_writers.h"

namespace tn {

namespace {

// Every command, its button and its menu items. A button and its menu items
// run the very same entry, so both paths ask and do the same.
constexpr Form1::Route k_routes[] = {
    {"cmd_kyokuname", "cmd_kyokuname", {"mnu_kyokuname", nullptr},
     [](Form1& f) { cmd_kyokuname(f.context()); }},
    {"cmd_kyokuzyunname", "cmd_kyokuzyunname", {"mnu_kyokuzyunname", nullptr},
     [](Form1& f) { cmd_kyokuzyunname(f.context()); }},
    {"cmd_w_name", "cmd_w_name", {"mnu_w_name", nullptr},
     [](Form1& f) { cmd_w_name(f.context()); }},
    {"cmd_modosu", "cmd_modosu", {"mnu_modosu", nullptr},
     [](Form1& f) { cmd_modosu(f.context()); }},
    {"cmd_re_name", "cmd_re_name", {"mnu_re_name", nullptr},
     [](Form1& f) { cmd_re_name(f.context()); }},
    {"cmd_fname", "cmd_fname", {"mnu_fname", nullptr},
     [](Form1& f) { cmd_fname(f.context()); }},
    {"cmd_zyun_fname", "cmd_zyun_fname", {"mnu_zyun_fname", nullptr},
     [](Form1& f) { cmd_zyun_fname(f.context()); }},
    {"cmd_all_al", "cmd_all_al", {"mnu_all_al", nullptr},
     [](Form1& f) { cmd_all_al(f.context(), f.album_text()); }},
    {"cmd_all_art", "cmd_all_art", {"mnu_all_art", nullptr},
     [](Form1& f) { cmd_all_art(f.context(), f.artist_text()); }},
    {"cmd_excel", "cmd_excel", {"mnu_excel", nullptr}, [](Form1& f) { f.cmd_excel(); }},
    {"cmd_export", nullptr, {"mnu_export", nullptr}, [](Form1& f) { cmd_export(f.context()); }},
    {"cmd_undo_history", nullptr, {"mnu_undo_history", nullptr}, [](Form1& f) { f.cmd_undo_history(); }},
    {"cmd_modosu2", "cmd_modosu2", {"mnu_modosu2", nullptr},
     [](Form1& f) { cmd_modosu2(f.context()); }},
    {"cmd_write_all", "cmd_write_all", {"mnu_write_all", nullptr},
     [](Form1& f) { cmd_write_all(f.context()); }},
    {"cmd_write_kyokumei", "cmd_write_kyokumei", {"mnu_write_kyokumei", nullptr},
     [](Form1& f) { cmd_write_kyokumei(f.context()); }},
    {"cmd_write_alubum", "cmd_write_alubum", {"mnu_write_alubum", nullptr},
     [](Form1& f) { cmd_write_alubum(f.context()); }},
    {"cmd_write_artname", "cmd_write_artname", {"mnu_write_artname", nullptr},
     [](Form1& f) { cmd_write_artname(f.context()); }},
    {"cmd_cls", "cmd_cls", {"mnu_cls", nullptr}, [](Form1& f) { cmd_cls(f.context()); }},
    {"cmd_allwrite", "cmd_allwrite", {"mnu_allwrite", nullptr},
     [](Form1& f) { cmd_allwrite(f.context()); }},
    {"cmd_dir", "cmd_dir", {"mnu_dir", "mnu_folder"}, [](Form1& f) { f.cmd_dir(); }},
    {"cmd_end", "cmd_end", {"mnu_end", nullptr}, [](Form1& f) { f.cmd_end(); }},
    {"about", nullptr, {"mnu_about", nullptr}, [](Form1& f) { f.show_about(); }},
    {"cmd_portable_names", nullptr, {"mnu_portable_names", nullptr},
     [](Form1& f) { cmd_portable_names(f.context()); }},
    {"cmd_even_widths", nullptr, {"mnu_even_widths", nullptr},
     [](Form1& f) { cmd_even_widths(f.context()); }},
    {"cmd_track_numbers", nullptr, {"mnu_track_numbers", nullptr},
     [](Form1& f) { cmd_track_numbers(f.context()); }},
    {"cmd_readings", nullptr, {"mnu_readings", nullptr},
     [](Form1& f) { readings::cmd_readings(f.context(), f.readings()); }},
    {"cmd_readings_katakana", nullptr, {"mnu_readings_katakana", nullptr},
     [](Form1& f) { readings::cmd_readings(f.context(), f.readings(), false, readings::Script::katakana); }},
    {"cmd_readings_replace", nullptr, {"mnu_readings_replace", nullptr},
     [](Form1& f) { readings::cmd_readings(f.context(), f.readings(), true); }},
    {"cmd_readings_katakana_replace", nullptr, {"mnu_readings_katakana_replace", nullptr},
     [](Form1& f) { readings::cmd_readings(f.context(), f.readings(), true, readings::Script::katakana); }},
};

// The upper band of the window. Containers come before what they hold;
// positions are relative to the container; tab is the place in the tab
// order, which follows the layout: group by group from the left, each one
// top to bottom, a text box followed by its own button.
enum class Kind { group, button, text_box };
struct ControlSpec {
  const char* name;
  const char* container;  // nullptr: the window's client area
  Kind kind;
  const QString* caption;
  QRect geometry;
  int tab;
  const QString* tip = nullptr;   // tooltip, read out as the description
  const QString* name_for_readers = nullptr;  // for controls without a caption
};

const ControlSpec k_controls[] = {
    {"grp_file_name", nullptr, Kind::group, &caption::grp_file_name, {30, 7, 166, 148}, 1},
    {"cmd_kyokuname", "grp_file_name", Kind::button, &caption::cmd_kyokuname, {16, 16, 129, 22}, 2, &tip::cmd_kyokuname},
    {"cmd_kyokuzyunname", "grp_file_name", Kind::button, &caption::cmd_kyokuzyunname, {16, 42, 129, 22}, 3, &tip::cmd_kyokuzyunname},
    {"cmd_w_name", "grp_file_name", Kind::button, &caption::cmd_w_name, {16, 67, 129, 22}, 4, &tip::cmd_w_name},
    {"cmd_modosu", "grp_file_name", Kind::button, &caption::cmd_modosu, {17, 93, 129, 22}, 5, &tip::cmd_modosu},
    {"cmd_re_name", "grp_file_name", Kind::button, &caption::cmd_re_name, {16, 118, 129, 22}, 6, &tip::cmd_re_name},
    {"grp_tag_input", nullptr, Kind::group, &caption::grp_tag_input, {216, 6, 362, 149}, 7},
    {"grp_title", "grp_tag_input", Kind::group, &caption::grp_title, {8, 14, 171, 65}, 8},
    {"cmd_fname", "grp_title", Kind::button, &caption::cmd_fname, {8, 15, 140, 20}, 9, &tip::cmd_fname},
    {"cmd_zyun_fname", "grp_title", Kind::button, &caption::cmd_zyun_fname, {9, 39, 140, 20}, 10, &tip::cmd_zyun_fname},
    {"grp_album", "grp_tag_input", Kind::group, &caption::grp_album, {7, 80, 171, 65}, 11},
    {"txt_all_al", "grp_album", Kind::text_box, nullptr, {11, 14, 150, 20}, 12, &tip::txt_all_al, &acc::txt_all_al},
    {"cmd_all_al", "grp_album", Kind::button, &caption::cmd_all_al, {32, 39, 107, 19}, 13, &tip::cmd_all_al},
    {"grp_artist", "grp_tag_input", Kind::group, &caption::grp_artist, {181, 80, 171, 65}, 14},
    {"txt_all_art", "grp_artist", Kind::text_box, nullptr, {9, 15, 150, 20}, 15, &tip::txt_all_art, &acc::txt_all_art},
    {"cmd_all_art", "grp_artist", Kind::button, &caption::cmd_all_art, {32, 40, 107, 19}, 16, &tip::cmd_all_art},
    {"cmd_excel", "grp_tag_input", Kind::button, &caption::cmd_excel, {208, 24, 126, 22}, 17, &tip::cmd_excel},
    {"cmd_modosu2", "grp_tag_input", Kind::button, &caption::cmd_modosu2, {208, 49, 126, 22}, 18, &tip::cmd_modosu2},
    {"grp_tag_write", nullptr, Kind::group, &caption::grp_tag_write, {599, 6, 154, 150}, 19},
    {"cmd_write_all", "grp_tag_write", Kind::button, &caption::cmd_write_all, {13, 19, 124, 29}, 20, &tip::cmd_write_all},
    {"grp_single", "grp_tag_write", Kind::group, &caption::grp_single, {8, 54, 137, 92}, 21},
    {"cmd_write_kyokumei", "grp_single", Kind::button, &caption::cmd_write_kyokumei, {5, 20, 124, 18}, 22, &tip::cmd_write_kyokumei},
    {"cmd_write_alubum", "grp_single", Kind::button, &caption::cmd_write_alubum, {5, 43, 124, 18}, 23, &tip::cmd_write_alubum},
    {"cmd_write_artname", "grp_single", Kind::button, &caption::cmd_write_artname, {5, 65, 124, 18}, 24, &tip::cmd_write_artname},
    {"cmd_dir", nullptr, Kind::button, &caption::cmd_dir, {762, 16, 140, 24}, 25, &tip::cmd_dir},
    {"cmd_cls", nullptr, Kind::button, &caption::cmd_cls, {762, 48, 141, 24}, 26, &tip::cmd_cls},
    {"cmd_allwrite", nullptr, Kind::button, &caption::cmd_allwrite, {762, 82, 141, 24}, 27, &tip::cmd_allwrite},
    {"cmd_end", nullptr, Kind::button, &caption::cmd_end, {762, 118, 142, 24}, 28, &tip::cmd_end},
};
constexpr int k_ss1_tab = 0;

// A caption wider than its button at the window's font is drawn a little
// smaller rather than cut: the buttons keep their places and sizes, and
// every word of the caption shows.
void fit_caption(QPushButton* b) {
  QFont f = b->font();
  auto needed = [&] {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.fontMetrics = QFontMetrics(f);
    const QSize text = opt.fontMetrics.size(Qt::TextShowMnemonic, b->text());
    return b->style()->sizeFromContents(QStyle::CT_PushButton, &opt, text, b).width();
  };
  constexpr qreal k_smallest = 6.5;
  while (needed() > b->width() && f.pointSizeF() > k_smallest) f.setPointSizeF(f.pointSizeF() - 0.25);
  if (f != b->font()) b->setFont(f);
}

// One control of the main form, placed, captioned and named as k_controls describes it.
QWidget* make_control(const ControlSpec& c, QWidget* client) {
  QWidget* container = c.container ? client->findChild<QWidget*>(QLatin1String(c.container)) : client;
  QWidget* w = nullptr;
  switch (c.kind) {
    case Kind::group:
      w = new QGroupBox(*c.caption, container);
      break;
    case Kind::button: {
      auto* b = new QPushButton(*c.caption, container);
      b->setAutoDefault(false);
      w = b;
      break;
    }
    case Kind::text_box:
      w = new QLineEdit(container);
      break;
  }
  w->setObjectName(QLatin1String(c.name));
  w->setGeometry(c.geometry);
  if (auto* b = qobject_cast<QPushButton*>(w)) fit_caption(b);
  // Every control is named for screen readers, by its caption or a name of
  // its own (nested groups too, not after the group around them); the
  // tooltip is its description.
  w->setAccessibleName(c.name_for_readers ? *c.name_for_readers : *c.caption);
  if (c.tip) {
    w->setToolTip(*c.tip);
    w->setAccessibleDescription(*c.tip);
  }
  w->setProperty("tab_index", c.tab);
  return w;
}

}  // namespace

std::span<const Form1::Route> Form1::routes() { return k_routes; }

void Form1::build_controls() {
  QList<std::pair<int, QWidget*>> tab_order{{k_ss1_tab, table_}};
  for (const ControlSpec& c : k_controls) {
    QWidget* w = make_control(c, client_);
    tab_order.append({c.tab, w});
  }
  txt_all_al_ = client_->findChild<QLineEdit*>(QStringLiteral("txt_all_al"));
  txt_all_art_ = client_->findChild<QLineEdit*>(QStringLiteral("txt_all_art"));
  // Enter in a box runs its button.
  for (QLineEdit* box : {txt_all_al_, txt_all_art_}) {
    const QString button = box->objectName().replace(QLatin1String("txt_"), QLatin1String("cmd_"));
    auto* b = client_->findChild<QPushButton*>(button);
    connect(box, &QLineEdit::returnPressed, b, &QPushButton::click);
  }

  // Groups take no focus; the rest follow their places in the tab order.
  std::sort(tab_order.begin(), tab_order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  QWidget* prev = nullptr;
  for (const auto& [tab, w] : tab_order) {
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (prev) setTabOrder(prev, w);
    prev = w;
  }

  auto* produced = new QLabel(caption::lbl_produced, client_);
  produced->setObjectName(QStringLiteral("lbl_produced"));
  produced->setGeometry(k_produced_geometry);
  produced->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QPalette pal = produced->palette();
  pal.setColor(QPalette::WindowText, QColor(90, 90, 90));
  produced->setPalette(pal);

  for (const Route& r : k_routes) {
    if (!r.button) continue;
    auto* b = client_->findChild<QPushButton*>(QLatin1String(r.button));
    connect(b, &QPushButton::clicked, this, [this, &r] { run_command(r); });
  }
}

QAction* Form1::add_item(QMenu* m, const char* name, const QString& text, const QKeySequence& key) {
  QAction* a = m->addAction(text);
  a->setShortcut(key);
  a->setObjectName(QLatin1String(name));
  for (const Route& r : k_routes)
    for (const char* n : r.items)
      if (n && qstrcmp(n, name) == 0) connect(a, &QAction::triggered, this, [this, &r] { run_command(r); });
  return a;
}

QMenu* Form1::add_menu(QMenu* parent, const char* name, const QString& text) {
  QMenu* m = parent ? parent->addMenu(text) : menuBar()->addMenu(text);
  m->setObjectName(QLatin1String(name));
  return m;
}

void Form1::build_menus() {
  QMenu* app = add_menu(nullptr, "mnu_app", menu::app);
  add_item(app, "mnu_folder", menu::folder);
  add_item(app, "mnu_dir", menu::cmd_dir);
  app->addSeparator();
  add_item(app, "mnu_cls", menu::cmd_cls, QKeySequence(Qt::Key_F5));
  app->addSeparator();
  add_item(app, "mnu_allwrite", menu::cmd_allwrite);
  add_item(app, "mnu_undo_history", menu::undo_history);
  app->addSeparator();
  add_item(app, "mnu_end", menu::cmd_end);

  QMenu* names = add_menu(nullptr, "mnu_file_name", menu::file_name);
  add_item(names, "mnu_kyokuname", menu::cmd_kyokuname);
  add_item(names, "mnu_kyokuzyunname", menu::cmd_kyokuzyunname);
  add_item(names, "mnu_w_name", menu::cmd_w_name);
  add_item(names, "mnu_portable_names", menu::cmd_portable_names);
  names->addSeparator();
  add_item(names, "mnu_modosu", menu::cmd_modosu);
  names->addSeparator();
  add_item(names, "mnu_re_name", menu::cmd_re_name);

  build_input_menu();

  QMenu* write = add_menu(nullptr, "mnu_tag_write", menu::tag_write);
  add_item(write, "mnu_write_all", menu::cmd_write_all, QKeySequence(Qt::CTRL | Qt::Key_S));
  write->addSeparator();
  add_item(write, "mnu_write_kyokumei", menu::cmd_write_kyokumei);
  add_item(write, "mnu_write_alubum", menu::cmd_write_alubum);
  add_item(write, "mnu_write_artname", menu::cmd_write_artname);
  write->addSeparator();
  add_item(write, "mnu_track_numbers", menu::cmd_track_numbers);

  build_view_menu(menuBar());

  QMenu* help = add_menu(nullptr, "mnu_help", menu::help);
  add_item(help, "mnu_about", menu::about);
}

void Form1::build_input_menu() {
  QMenu* input = add_menu(nullptr, "mnu_tag_input", menu::tag_input);
  QMenu* titles = add_menu(input, "mnu_title_input", menu::title_input);
  add_item(titles, "mnu_fname", menu::cmd_fname);
  add_item(titles, "mnu_zyun_fname", menu::cmd_zyun_fname);
  input->addSeparator();
  add_item(input, "mnu_all_al", menu::cmd_all_al);
  input->addSeparator();
  add_item(input, "mnu_all_art", menu::cmd_all_art);
  input->addSeparator();
  add_item(input, "mnu_excel", menu::cmd_excel);
  add_item(input, "mnu_export", menu::cmd_export);
  input->addSeparator();
  add_item(input, "mnu_even_widths", menu::cmd_even_widths);
  QMenu* readings = add_menu(input, "mnu_readings_menu", menu::readings);
  add_item(readings, "mnu_readings", menu::cmd_readings);
  add_item(readings, "mnu_readings_katakana", menu::cmd_readings_katakana);
  readings->addSeparator();
  add_item(readings, "mnu_readings_replace", menu::cmd_readings_replace);
  add_item(readings, "mnu_readings_katakana_replace", menu::cmd_readings_katakana_replace);
  input->addSeparator();
  add_item(input, "mnu_modosu2", menu::cmd_modosu2);
}

}  // namespace tn
