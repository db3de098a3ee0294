#include "tag_rows/read_tags.h"

#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/folder.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"
#include "tags/mojibake.h"
#include "tags/tag_library.h"

namespace tn {

QString msg::error_text(int error_no) {
  switch (error_no) {
    case tag_error::cannot_open: return QStringLiteral("  ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ  ");
    case tag_error::bad_frame_header: return QStringLiteral("  ﾌﾚｰﾑﾍｯﾀﾞの読込ｴﾗｰ");
    case tag_error::unknown_format: return QStringLiteral("  ﾌｧｲﾙ形式不明  ");
    case tag_error::no_file_open: return QStringLiteral("  ﾌｧｲﾙはｵｰﾌﾟﾝされてません  ");
    case tag_error::read_failed: return QStringLiteral("  ﾌｧｲﾙ読込失敗  ");
    case tag_error::write_failed: return QStringLiteral("  ﾌｧｲﾙ書込失敗  ");
    case tag_error::changed_on_disk: return msg::changed_on_disk;
    default: return QStringLiteral("  その他ｴﾗｰ  ");
  }
}

namespace {

void mark_failed(Context& cx, int i) {
  Grid& g = cx.ss1;
  const int r = i + 1;
  cx.state.clear_file(i);
  g.set_row(r);
  // The name stays, so that the row tells which file failed; its entry is
  // empty, so no command touches the file.
  for (int c = col::name; c <= col::last; ++c) {
    g.set_col(c);
    g.set_text(c == col::name ? cx.state.listed(i) : QString());
  }
  g.set_row(r);
  g.set_col(col::order);
  g.set_block_row2(r);
  g.set_block_col2(col::last);
  g.set_block_mode(true);
  g.set_back_colour(k_error);
  g.set_block_mode(false);
}

// The title, album and artist cells of row that hold double-encoded
// mojibake show the text they were, in the edited colour, marked as
// repaired and not yet written.
void repair_mojibake_row(Grid& g, int row) {
  g.set_row(row);
  for (int c = col::title; c <= col::artist; ++c) {
    g.set_col(c);
    const std::optional<QString> repaired = repair_mojibake(g.text());
    if (!repaired) continue;
    g.set_text(*repaired);
    g.mark(c, row, CellMark::repaired);
  }
}

}  // namespace

TagFlags tag_flags(int field_bits) {
  return {(field_bits & field_bit::title) != 0, (field_bits & field_bit::album) != 0,
          (field_bits & field_bit::artist) != 0};
}

std::vector<ReadError> read_tags(Context& cx) {
  std::vector<ReadError> failed;
  auto report = [&](int i, const QString& tail) {
    const qint16 no = static_cast<qint16>(cx.tags.vbmp3_getLastErrorNo());
    const QString text =
        msg::error_number + QString::number(no) + msg::error_text(no) + cx.state.file(i) + tail;
    cx.dialogs.notify(text);
    failed.push_back({i + 1, no, text});
    mark_failed(cx, i);
  };
  TagRecordBytes tag = empty_tag_bytes();
  OpenRecordBytes info = empty_open_bytes();
  Grid& g = cx.ss1;
  for (int i = 0; i < cx.state.file_count; ++i) {
    const int r = i + 1;
    const QString name = cx.state.file(i);
    if (name.isEmpty()) {
      // No file behind this row (it failed before, or the folder now holds
      // fewer files): nothing to read, nothing to report, nothing stale shown.
      mark_failed(cx, i);
      continue;
    }
    if (cx.tags.vbmp3_open(encode_file_name(cx.state.path_of(i)), info)) {
      if (cx.tags.vbmp3_getTagInfo(tag)) {
        cx.state.set_identity(i, cx.tags.open_file_identity());
        const TagRecord rec = from_bytes(tag);
        g.set_row(r);
        g.set_col(col::title);
        g.set_text(rec.title);
        g.set_col(col::album);
        g.set_text(rec.album);
        g.set_col(col::artist);
        g.set_text(rec.artist);
        cx.state.set_on_disk(i, TagTexts{rec.title, rec.album, rec.artist});
        note_legacy(cx, r, tag_flags(cx.tags.legacy_fields()));
        cx.state.set_legacy_v1_alone(i, cx.tags.legacy_fields() & k_legacy_v1_alone);
        cx.state.set_no_audio(i, cx.tags.open_file_without_audio());
        if (cx.state.no_audio(i)) g.mark(col::name, r, CellMark::no_audio);
        repair_mojibake_row(g, r);
      } else {
        report(i, msg::tag_read_failed_tail);
      }
    } else {
      report(i, msg::open_failed_tail);
    }
    cx.tags.vbmp3_close();
  }
  return failed;
}

}  // namespace tn
