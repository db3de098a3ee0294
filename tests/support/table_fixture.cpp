#include "table_fixture.h"

#include <QFile>
#include <stdexcept>

#include "table/folder.h"
#include "table/track_table.h"

namespace tn::test {

TestTable::TestTable(const QStringList& names) {
  state.edit_folder = dir.path() + QLatin1Char('/');
  state.file_count = static_cast<qint16>(names.size());
  grid.set_max_rows(static_cast<int>(names.size()));
  for (int i = 0; i < names.size(); ++i) {
    state.set_file(i, names[i]);
    QFile f(state.path_of(i));
    if (f.open(QIODevice::WriteOnly)) f.write(names[i].toUtf8());
  }
  fill_table(cx);
}

QStringList TestTable::column(int c) const {
  QStringList out;
  for (int r = 1; r <= state.file_count; ++r) out << at(c, r);
  return out;
}

void put_text(MemoryGrid& grid, int c, int r, const QString& text) {
  grid.set_col(c);
  grid.set_row(r);
  grid.set_text(text);
}

void TestTable::paint(int c, int r, Colour colour) {
  grid.set_col(c);
  grid.set_row(r);
  grid.set_back_colour(colour);
}

FolderTable::FolderTable(const QString& folder) {
  dialogs.yes();
  if (!confirm_folder(cx, shell, folder, QString(), list_mp3_files(folder))) throw std::runtime_error("confirm");
}

QStringList numbered_names(int n, const QString& prefix) {
  QStringList out;
  for (int i = 1; i <= n; ++i) out << prefix + QString::number(i) + QStringLiteral(".mp3");
  return out;
}

}  // namespace tn::test
