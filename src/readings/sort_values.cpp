#include "readings/sort_values.h"

namespace tn::readings {

namespace {

SortValue propose(Readings& readings, const QString& text, Kind kind, const QString& existing, bool replace,
                  Script script) {
  SortValue kept{existing, false, true, {}};
  if ((!existing.isEmpty() && !replace) || text.trimmed().isEmpty()) return kept;
  const Reading r = readings.read(text, kind, script);
  if (r.text.isEmpty()) return {existing, false, false, r.why, true};
  // Nothing to read: the text sorts as itself, and a sort value of its own
  // ("Beatles, The") stays even on replace. Nothing of it read (a word no
  // dictionary knows, alone): kept, and unsure.
  if (r.text == text) return r.sure ? kept : SortValue{existing, false, false, r.why};
  return {r.text, r.text != existing, r.sure, r.why};
}

}  // namespace

std::vector<SortProposal> propose_sort_values(Readings& readings, const std::vector<SortTexts>& rows,
                                              const std::vector<SortTexts>& existing, bool replace,
                                              Script script) {
  std::vector<SortProposal> out;
  out.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SortTexts& row = rows[i];
    const SortTexts now = i < existing.size() ? existing[i] : SortTexts{};
    out.push_back({propose(readings, row.title, Kind::title, now.title, replace, script),
                   propose(readings, row.album, Kind::title, now.album, replace, script),
                   propose(readings, row.artist, Kind::name, now.artist, replace, script),
                   propose(readings, row.album_artist, Kind::name, now.album_artist, replace, script)});
  }
  return out;
}

}  // namespace tn::readings
