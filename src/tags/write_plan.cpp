#include "tags/write_plan.h"

#include <cstring>
#include <utility>

#include "text/text.h"

namespace tn {

namespace {

// The text a write stores for an edit, or nullopt to keep the file's: a
// text the caller shows cut, come back as that cut, keeps the whole.
std::optional<QString> stored(const std::optional<QString>& edit, const QString& file, int shown_chars) {
  if (!edit || shown_chars <= 0 || char_count(file) <= shown_chars) return edit;
  QString shown = first_chars(file, shown_chars);
  while (shown.endsWith(QLatin1Char(' '))) shown.chop(1);
  if (*edit == shown) return std::nullopt;
  return edit;
}

}  // namespace

WantedTexts wanted_fields(const TagRead& now, const PerField<std::optional<QString>>& edits, int shown_chars,
                          OtherEdits& others) {
  WantedTexts wanted;
  for (int i = 0; i < k_fields; ++i) {
    const FieldValue& v = now.fields[k_three[i]];
    const std::optional<QString> text = stored(edits[k_three[i]], v.text, shown_chars);
    WantedText& w = wanted[i];
    w.written = text.has_value();
    w.kept = !w.written;
    w.text = text.value_or(v.text);
    w.from_id3v1 = w.kept && v.source == FieldSource::id3v1;
  }
  others.clear();
  for (Field f : all_fields()) {
    if (f == Field::title || f == Field::artist || f == Field::album) continue;
    if (const std::optional<QString> text = stored(edits[f], now.fields[f].text, shown_chars))
      others.push_back({f, *text});
  }
  return wanted;
}

FileChange file_change(std::int64_t tag_end, std::int64_t file_size, NewId3v2 v2, const TailChange& tail) {
  FileChange change;
  const bool ape_moves = tail.ape.size() != tail.ape_old.size();
  if (v2.kind == NewId3v2::Kind::same && tail.ape == tail.ape_old && tail.v1 == tail.v1_old) return change;
  if (v2.kind != NewId3v2::Kind::rewrite && !ape_moves) {
    change.kind = FileChange::Kind::in_place;
    change.patches = std::move(v2.patches);
    add_patches(change.patches, tail.ape_at, tail.ape_old, tail.ape);
    add_patches(change.patches, file_size - tail.v1_old.size(), tail.v1_old, tail.v1);
    return change;
  }
  change.kind = FileChange::Kind::rewrite;
  if (v2.kind == NewId3v2::Kind::rewrite) {
    change.tag = std::move(v2.tag);
  } else {
    // The old tag with its patches: only the APE tag changes size.
    std::int64_t at = 0;
    for (const Patch& p : v2.patches) {
      if (p.offset > at) change.tag.push_back({at, p.offset - at, {}});
      change.tag.push_back({-1, p.new_bytes.size(), p.new_bytes});
      at = p.offset + p.new_bytes.size();
    }
    if (at < tag_end) change.tag.push_back({at, tag_end - at, {}});
  }
  change.audio_begin = tag_end;
  change.audio_end = tail.ape_at >= 0 ? tail.ape_at : file_size - tail.v1_old.size();
  change.ape = tail.ape;
  change.v1 = tail.v1;
  return change;
}

}  // namespace tn
