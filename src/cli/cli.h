#pragma once
// The command line's frame: subcommands, their options, and the steps that
// fill the table before a subcommand touches the files. Each subcommand and
// each step registers itself from its own file (a namespace-scope
//   [[maybe_unused]] const bool registered = add_subcommand({...});
// ), so a new one touches no other file.

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "tag_rows/tag_writers.h"
#include "tags/fields.h"

namespace tn::cli {

class Session;

// Exit statuses.
constexpr int k_ok = 0;
constexpr int k_rows_failed = 1;  // one or more rows failed, the others done
constexpr int k_bad_usage = 2;    // bad usage, a folder not confirmed, bad input

struct OptionSpec {
  QString name;        // "--album"
  QString value_name;  // "TEXT"; empty for a flag; "[=VALUE]" when the value may be left out
  QString help;
  bool repeats = false;  // may be given more than once ("--set a=1 --set b=2")
};

// The command line after the subcommand's name.
struct Args {
  QStringList positional;
  QMap<QString, QString> options;  // name -> value ("" for a flag); the last of a repeated one
  QMap<QString, QStringList> repeated;  // name -> every value of an option that repeats
  bool has(const QString& name) const { return options.contains(name); }
  QString value(const QString& name) const { return options.value(name); }
  QStringList values(const QString& name) const { return repeated.value(name); }
};

// A usage error's message, or empty when the arguments are fine.
using Check = std::function<QString(const Args&)>;

struct Subcommand {
  QString name;
  QString synopsis;  // after "tagnarabe-cli NAME ", e.g. "FOLDER [--json]"
  QString summary;   // one line of the overview
  int rank = 0;      // place in the overview
  int positional = 1;
  std::vector<OptionSpec> options;
  Check check;  // optional
  std::function<int(const Args&)> run;
};

// What a subcommand does with the table once its steps have filled it.
struct Plan {
  int columns = 0;  // field_bit values of the tag columns filled
  // Writes of other fields, after the columns: the operation, and the text
  // shown when it wrote every file (none: nothing).
  struct Write {
    std::function<RowsWritten(Context&)> run;
    QString done;
  };
  std::vector<Write> writes;
  // The track number frames those writes store, row by row, when they do.
  std::optional<QStringList> tracks;
  // The fields beside title, album and artist the run writes as the table
  // shows them (--set, an import by header names), after the columns.
  PerField<bool> fields{};
};

// A step of a subcommand: runs when one of its options is given, in rank
// order, after the folder is read and before any file is touched.
struct Step {
  QString subcommand;
  int rank = 0;
  std::vector<OptionSpec> options;
  Check check;  // optional
  // Edits the table; false when it refused (its message shown): nothing is
  // then written.
  std::function<bool(Session&, const Args&, Plan&)> run;
};

bool add_subcommand(Subcommand sub);
bool add_steps(std::vector<Step> steps);

const std::vector<Subcommand>& subcommands();  // in rank order
std::vector<const Step*> steps_of(const QString& subcommand);  // in rank order
// The options a subcommand takes: its steps', then its own.
std::vector<OptionSpec> options_of(const Subcommand& sub);
// True when args gives an option of one of the subcommand's steps.
bool any_step_given(const QString& subcommand, const Args& args);
// Runs the given steps in rank order; false at the first that refuses.
bool run_steps(const QString& subcommand, Session& s, const Args& args, Plan& plan);

// Whole command line (without the program name) -> exit status.
int dispatch(const QStringList& args);

// Output: data on stdout, messages on stderr; file-name bytes kept as they are.
void print_out(const QString& text);
void print_err(const QString& text);

}  // namespace tn::cli
