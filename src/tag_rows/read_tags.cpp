#include "tag_rows/read_tags.h"

#include "table/cell_marks.h"
#include "table/dialogs.h"
#include "table/folder.h"
#include "table/grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/messages.h"
#include "tags/tag_access.h"
#include "tags/tag_library.h"
#include "text/text.h"

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

// The file's texts as the table shows them (cut after 128 characters);
// a double-encoded one shows the text it was, in the edited colour, marked
// as repaired and not yet written.
void show_read(Context& cx, int i, const TagRead& read) {
  Grid& g = cx.ss1;
  const int r = i + 1;
  TagTexts shown;
  FieldSet legacy;
  g.set_row(r);
  for (Field f : all_fields()) {
    const FieldValue& v = read.fields[f];
    shown[field_index(f)] = first_chars(v.text, k_tag_text_chars);
    legacy[f] = v.legacy;
    g.set_col(col::of(f));
    g.set_text(shown[field_index(f)]);
  }
  cx.state.set_identity(i, read.identity);
  cx.state.set_on_disk(i, shown);
  note_legacy(cx, r, flags_of(legacy));
  cx.state.set_legacy_v1_alone(i, read.legacy_block_alone);
  cx.state.set_no_audio(i, read.no_audio);
  if (read.no_audio) g.mark(col::name, r, CellMark::no_audio);
  for (Field f : all_fields()) {
    const std::optional<QString>& repaired = read.fields[f].repaired;
    if (!repaired) continue;
    g.set_row(r);
    g.set_col(col::of(f));
    g.set_text(first_chars(*repaired, k_tag_text_chars));
    g.mark(col::of(f), r, CellMark::repaired);
  }
}

}  // namespace

TagFlags tag_flags(int field_bits) {
  return {(field_bits & field_bit::title) != 0, (field_bits & field_bit::album) != 0,
          (field_bits & field_bit::artist) != 0};
}

std::vector<ReadError> read_tags(Context& cx) {
  std::vector<ReadError> failed;
  TagAccess& access = cx.tags.access();
  for (int i = 0; i < cx.state.file_count; ++i) {
    const QString name = cx.state.file(i);
    if (name.isEmpty()) {
      // No file behind this row (it failed before, or the folder now holds
      // fewer files): nothing to read, nothing to report, nothing stale shown.
      mark_failed(cx, i);
      continue;
    }
    const TagReadResult result = access.read(encode_file_name(cx.state.path_of(i)));
    if (const auto* read = std::get_if<TagRead>(&result)) {
      show_read(cx, i, *read);
      continue;
    }
    const TagFailure& f = std::get<TagFailure>(result);
    const qint16 no = static_cast<qint16>(f.number);
    const QString& tail = f.stage == TagFailure::Stage::open ? msg::open_failed_tail : msg::tag_read_failed_tail;
    const QString text = msg::error_number + QString::number(no) + msg::error_text(no) + name + tail;
    cx.dialogs.notify(text);
    failed.push_back({i + 1, no, text});
    mark_failed(cx, i);
  }
  return failed;
}

}  // namespace tn
