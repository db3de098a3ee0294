#pragma once
// A track table over a temporary folder of real files, with scripted dialogs
// and the fake tag library: the set-up most command tests share.

#include <QTemporaryDir>

#include "fake_tag_library.h"
#include "shell/folder_confirm.h"
#include "table/context.h"
#include "table/memory_grid.h"
#include "scripted_dialogs.h"
#include "table/track_state.h"
#include "tags/tag_library.h"

namespace tn::test {

// Text typed into a cell.
void put_text(MemoryGrid& grid, int c, int r, const QString& text);

struct TestTable {
  QTemporaryDir dir;
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs dialogs;
  FakeTagLibrary tags;
  Context cx{state, grid, dialogs, tags};

  // Makes the files (each holding its own name, so a test can tell them
  // apart after renames), the file list and columns 1 and 2 of the table.
  explicit TestTable(const QStringList& names);

  QByteArray key(int i) const { return state.path_of(i).toUtf8(); }  // the fake's key
  QString at(int c, int r) const { return grid.cell_text(c, r); }
  Colour colour(int c, int r) const { return grid.cell_colour(c, r); }
  QStringList column(int c) const;
  void put(int c, int r, const QString& text) { put_text(grid, c, r, text); }
  void paint(int c, int r, Colour colour);
};

// The same over files read by the real tag library; the folder is the
// test's own.
struct RealTable {
  TrackState state;
  MemoryGrid grid;
  ScriptedDialogs dialogs;
  std::unique_ptr<TagLibrary> lib = make_taglib_library();
  Context cx{state, grid, dialogs, *lib};

  QString at(int c, int r) const { return grid.cell_text(c, r); }
  Colour colour(int c, int r) const { return grid.cell_colour(c, r); }
  void put(int c, int r, const QString& text) { put_text(grid, c, r, text); }
};

// No windows around a folder confirmation: it runs headless.
struct NoShell final : Shell {
  void hide_startup() override {}
  void show_main() override {}
  void set_main_caption(const QString&) override {}
};

// The program as it runs on one folder, confirmed as the start-up form
// confirms it (its question answered Yes); a new one is a restart. Throws
// when the folder is refused.
struct FolderTable : RealTable {
  NoShell shell;
  explicit FolderTable(const QString& folder);
};

// "1.mp3", "2.mp3", …, or with a prefix: "song1.mp3", …
QStringList numbered_names(int n, const QString& prefix = QString());

}  // namespace tn::test
