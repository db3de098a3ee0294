#pragma once
// The grid every command drives: nine addressing operations with the quirks
// callers rely on, and the cell storage left to a concrete grid.

#include <QString>
#include <cstdint>

namespace tn {

// 32-bit colour: red + green * 256 + blue * 65536.
using Colour = std::uint32_t;
constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}
constexpr Colour k_white = rgb(255, 255, 255);
constexpr Colour k_edited = rgb(150, 150, 255);  // 16750230
constexpr Colour k_error = rgb(255, 0, 0);
constexpr Colour k_unsure = rgb(255, 205, 130);

// Why a cell has its colour: what the table shows against what the files
// hold. The colour tells it on screen, the mark in words (tooltips, screen
// readers). A new reason is one more value here, its colour and, if the
// files do not hold it yet, a yes in is_unwritten.
enum class CellMark {
  plain,       // as the file holds it, or written, or cleared
  edited,      // a change not written yet
  unreadable,  // the row's file or its tag could not be read
  repaired,    // mojibake repaired on reading, not written yet
  legacy,      // as the file holds it, but in bytes other players show garbled
  no_audio,    // a file name whose file holds a tag but no MPEG audio after it
  unsure,      // a change not written yet that the program is not sure of (a reading): check it
};
constexpr Colour colour_of(CellMark m) {
  switch (m) {
    case CellMark::edited:
    case CellMark::repaired:
    case CellMark::legacy: return k_edited;
    case CellMark::unreadable: return k_error;
    case CellMark::unsure: return k_unsure;
    case CellMark::no_audio:
    case CellMark::plain: break;
  }
  return k_white;
}
// The mark of a colour painted by the commands' block idiom.
constexpr CellMark mark_of_colour(Colour c) {
  return c == k_edited   ? CellMark::edited
         : c == k_error  ? CellMark::unreadable
         : c == k_unsure ? CellMark::unsure
                         : CellMark::plain;
}
// True for a mark of something a write would still have to store.
constexpr bool is_unwritten(CellMark m) {
  return m == CellMark::edited || m == CellMark::repaired || m == CellMark::legacy || m == CellMark::unsure;
}

class Grid {
 public:
  virtual ~Grid() = default;

  // --- the nine operations -------------------------------------------------
  void set_col(int col) { col_ = col; }
  void set_row(int row) { row_ = row; }
  int col() const { return col_; }
  int row() const { return row_; }  // the value last set, even one past the end
  void set_text(const QString& text);
  void set_text(int number) { set_text(QString::number(number)); }
  QString text() const;  // empty for an empty or non-existent cell
  void set_block_col2(int col) { block_col2_ = col; }
  void set_block_row2(int row) { block_row2_ = row; }
  void set_block_mode(bool on) { block_mode_ = on; }
  // In block mode colours every cell from the current cell to the block end,
  // both included; otherwise the current cell only.
  void set_back_colour(Colour colour);
  void set_max_rows(int rows);
  void set_max_cols(int cols);

  // Colours one cell for the reason given (no addressing state changes).
  // why: the words of the cell's tooltip beside the mark's own (why a
  // reading is unsure); any colouring of the cell after forgets them.
  void mark(int col, int row, CellMark m, const QString& why = {}) {
    if (!in_range(col, row)) return;
    store_colour(col, row, colour_of(m), m);
    if (!why.isEmpty()) store_why(col, row, why);
  }

  // --- direct access, for inspection and the widgets -----------------------
  virtual int row_count() const = 0;
  virtual int col_count() const = 0;
  virtual QString cell_text(int col, int row) const = 0;
  virtual Colour cell_colour(int col, int row) const = 0;
  virtual CellMark cell_mark(int col, int row) const = 0;
  virtual QString cell_why(int col, int row) const = 0;

 protected:
  // Called only with 1 <= col <= col_count(), 1 <= row <= row_count().
  virtual void store_text(int col, int row, const QString& text) = 0;
  // Forgets the cell's why.
  virtual void store_colour(int col, int row, Colour colour, CellMark mark) = 0;
  virtual void store_why(int col, int row, const QString& why) = 0;
  virtual void resize(int cols, int rows) = 0;

 private:
  bool in_range(int col, int row) const {
    return col >= 1 && row >= 1 && col <= col_count() && row <= row_count();
  }
  int col_ = 1, row_ = 1;
  int block_col2_ = 1, block_row2_ = 1;
  bool block_mode_ = false;
};

}  // namespace tn
