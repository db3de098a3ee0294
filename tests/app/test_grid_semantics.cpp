// The quirks commands rely on hold in both grids: the one in memory and the
// one over the table widget.

#include <QTableWidget>
#include <QtTest>
#include <memory>

#include "app/qt_grid.h"
#include "table/memory_grid.h"

using namespace tn;

class GridSemantics : public QObject {
  Q_OBJECT

  std::unique_ptr<QTableWidget> widget_;
  std::unique_ptr<Grid> make(const QString& kind) {
    if (kind == QLatin1String("memory")) return std::make_unique<MemoryGrid>(5, 100);
    widget_ = std::make_unique<QTableWidget>(100, 5);
    return std::make_unique<QtGrid>(widget_.get());
  }

 private slots:
  // Every test runs once over each grid.
  void initTestCase_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("memory") << "memory";
    QTest::newRow("widget") << "widget";
  }

  void stepping_reads_back_and_goes_one_past_the_end() {
    QFETCH_GLOBAL(QString, kind);
    auto g = make(kind);
    g->set_max_rows(3);
    g->set_col(2);
    g->set_row(1);
    for (int i = 0; i < 3; ++i) {
      g->set_text(QStringLiteral("r%1").arg(i + 1));
      g->set_row(g->row() + 1);
    }
    QCOMPARE(g->row(), 4);
    g->set_text(QStringLiteral("lost"));  // one past the last row: accepted, stores nothing
    QCOMPARE(g->text(), QString());
    QCOMPARE(g->cell_text(2, 3), QStringLiteral("r3"));
    QCOMPARE(g->row_count(), 3);
  }

  void integers_are_stored_as_digits() {
    QFETCH_GLOBAL(QString, kind);
    auto g = make(kind);
    g->set_col(1);
    g->set_row(10);
    g->set_text(10);
    QCOMPARE(g->text(), QStringLiteral("10"));
    g->set_row(11);
    QCOMPARE(g->text(), QString());  // an empty cell reads as the empty text
  }

  void block_colours_from_current_cell_to_block_end() {
    QFETCH_GLOBAL(QString, kind);
    auto g = make(kind);
    g->set_row(2);
    g->set_col(3);
    g->set_block_row2(4);
    g->set_block_col2(5);
    g->set_block_mode(true);
    g->set_back_colour(k_edited);
    g->set_block_mode(false);
    for (int r = 1; r <= 5; ++r)
      for (int c = 1; c <= 5; ++c) {
        const bool inside = r >= 2 && r <= 4 && c >= 3;
        QCOMPARE(g->cell_colour(c, r), inside ? k_edited : k_white);
      }
    // Block mode off: the current cell alone.
    g->set_row(1);
    g->set_col(1);
    g->set_back_colour(k_error);
    QCOMPARE(g->cell_colour(1, 1), k_error);
    QCOMPARE(g->cell_colour(2, 1), k_white);
  }

  void block_end_is_kept_until_set_again() {
    QFETCH_GLOBAL(QString, kind);
    auto g = make(kind);
    g->set_block_row2(3);
    g->set_block_col2(2);
    g->set_row(1);
    g->set_col(1);
    g->set_block_mode(true);
    g->set_back_colour(k_error);
    g->set_block_mode(false);
    g->set_row(2);  // a new start, the old end
    g->set_col(2);
    g->set_block_mode(true);
    g->set_back_colour(k_edited);
    QCOMPARE(g->cell_colour(1, 1), k_error);
    QCOMPARE(g->cell_colour(2, 3), k_edited);
    QCOMPARE(g->cell_colour(1, 3), k_error);
  }

  void row_count_makes_exactly_that_many_rows() {
    QFETCH_GLOBAL(QString, kind);
    auto g = make(kind);
    g->set_row(2);
    g->set_col(2);
    g->set_text(QStringLiteral("kept"));
    g->set_max_rows(7);
    QCOMPARE(g->row_count(), 7);
    QCOMPARE(g->cell_text(2, 2), QStringLiteral("kept"));
    g->set_max_cols(3);
    QCOMPARE(g->col_count(), 3);
  }

  // A mark's why (an unsure reading's) lasts until the cell is coloured again.
  void a_why_goes_with_its_mark() {
    QFETCH_GLOBAL(QString, kind);
    auto g = make(kind);
    g->mark(2, 3, CellMark::unsure, QStringLiteral("辞書にない語があります: 彁"));
    QCOMPARE(g->cell_colour(2, 3), k_unsure);
    QCOMPARE(g->cell_mark(2, 3), CellMark::unsure);
    QCOMPARE(g->cell_why(2, 3), QStringLiteral("辞書にない語があります: 彁"));
    if (kind == QLatin1String("widget"))
      QVERIFY(widget_->item(2, 1)->data(Qt::AccessibleDescriptionRole).toString().endsWith(g->cell_why(2, 3)));
    g->set_row(3);
    g->set_col(2);
    g->set_back_colour(k_edited);
    QCOMPARE(g->cell_mark(2, 3), CellMark::edited);
    QCOMPARE(g->cell_why(2, 3), QString());
  }
};

QTEST_MAIN(GridSemantics)
#include "test_grid_semantics.moc"
