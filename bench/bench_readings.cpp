// よみがな: the sort readings of 100 files' texts (title, album, artist and
// album artist of each), as よみがなを付ける makes them, with the analyser
// already open: proposed, and put into a track table with their marks; and
// the opening itself, once per program run.
//
//   tagnarabe_bench_readings [--benchmark_filter=…]
//
// The texts are the real names and titles of the readings' accuracy list,
// 100 rows of four.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "readings/fill_readings.h"
#include "readings/sort_values.h"
#include "scripted_dialogs.h"
#include "table/memory_grid.h"
#include "table/track_state.h"
#include "table/track_table.h"
#include "tags/tag_library.h"

using namespace tn::readings;

namespace {

std::vector<SortTexts> hundred_rows() {
  QFile f(QStringLiteral(TAGNARABE_KNOWN_READINGS));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList texts;
  for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
    if (!line.startsWith(QLatin1Char('#')) && line.count(QLatin1Char('\t')) == 2) texts << line.section('\t', 1, 1);
  std::vector<SortTexts> rows;
  for (int i = 0; i < 100 && !texts.isEmpty(); ++i) {
    const auto at = [&](int k) { return texts[(i * 4 + k) % texts.size()]; };
    rows.push_back({at(0), at(1), at(2), at(3)});
  }
  return rows;
}

void readings_100_files(benchmark::State& state) {
  QTemporaryDir dir;
  Readings readings(dir.filePath(QStringLiteral("readings.tsv")));
  if (!readings.missing().isEmpty()) {
    state.SkipWithError(qPrintable(readings.missing()));
    return;
  }
  const std::vector<SortTexts> rows = hundred_rows();
  for (auto _ : state) benchmark::DoNotOptimize(propose_sort_values(readings, rows, {}, false));
  state.counters["rows"] = static_cast<double>(rows.size());
}
BENCHMARK(readings_100_files)->Unit(benchmark::kMillisecond);

// The same texts in a table of 100 rows whose tags were read, every reading
// put again each time (replace).
void fill_100_rows(benchmark::State& state) {
  QTemporaryDir dir;
  Readings readings(dir.filePath(QStringLiteral("readings.tsv")));
  if (!readings.missing().isEmpty()) {
    state.SkipWithError(qPrintable(readings.missing()));
    return;
  }
  tn::TrackState st;
  tn::MemoryGrid grid;
  tn::ScriptedDialogs dialogs;
  const auto tags = tn::make_taglib_library();
  tn::Context cx{st, grid, dialogs, *tags};
  const std::vector<SortTexts> rows = hundred_rows();
  st.file_count = static_cast<qint16>(rows.size());
  for (int r = 1; r <= st.file_count; ++r) {
    st.set_file(r - 1, QStringLiteral("%1.mp3").arg(r));
    st.set_on_disk(r - 1, tn::TagTexts{});
    const SortTexts& t = rows[static_cast<std::size_t>(r - 1)];
    const QString texts[] = {t.title, t.album, t.artist, t.album_artist};
    for (std::size_t k = 0; k < std::size(k_sort_columns); ++k) {
      grid.set_col(tn::col::of(k_sort_columns[k].source));
      grid.set_row(r);
      grid.set_text(texts[k]);
    }
  }
  for (auto _ : state) benchmark::DoNotOptimize(fill_readings(cx, readings, true));
}
BENCHMARK(fill_100_rows)->Unit(benchmark::kMillisecond);

void readings_open(benchmark::State& state) {
  QTemporaryDir dir;
  for (auto _ : state) {
    Readings readings(dir.filePath(QStringLiteral("readings.tsv")));
    benchmark::DoNotOptimize(readings.missing());
  }
}
BENCHMARK(readings_open)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
