#include <algorithm>
#include <cstdio>

#include "cli/cli.h"
#include "cli/messages.h"
#include "durable/folder_lock.h"
#include "table/folder.h"

namespace tn::cli {

namespace {

std::vector<Subcommand>& subcommand_list() {
  static std::vector<Subcommand> list;
  return list;
}

std::vector<Step>& step_list() {
  static std::vector<Step> list;
  return list;
}

const QString k_help = QStringLiteral("--help");

void write_to(std::FILE* f, const QString& text) {
  const QByteArray bytes = encode_file_name(text);
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f);
  std::fflush(f);
}

// A command that waits for another program holding its folder says so, once.
class SayWaiting final : public LockWait {
 public:
  void waiting(const QByteArray& folder, bool first) override {
    if (first) print_err(msg::prefix + msg::folder_in_use + decode_file_name(folder) + QLatin1Char('\n'));
  }
  void waited() override {}
};

int usage_error(const QString& message) {
  print_err(msg::prefix + message + QLatin1Char('\n') + msg::prefix + msg::see_help + QLatin1Char('\n'));
  return k_bad_usage;
}

// An option whose value may be left out: "--readings" or "--readings=replace".
bool is_optional(const OptionSpec& o) { return o.value_name.startsWith(QLatin1Char('[')); }

QString option_lines(const std::vector<OptionSpec>& options) {
  QStringList heads;
  int width = 0;
  for (const OptionSpec& o : options) {
    const bool spaced = !o.value_name.isEmpty() && !is_optional(o);
    heads << o.name + (spaced ? QStringLiteral(" ") : QString()) + o.value_name;
    width = std::max(width, static_cast<int>(heads.back().size()));
  }
  QString out;
  for (std::size_t i = 0; i < options.size(); ++i)
    out += QStringLiteral("  ") + heads[static_cast<int>(i)].leftJustified(width + 2) +
           options[i].help + QLatin1Char('\n');
  return out;
}

QString overview() {
  QStringList names;
  int width = 0;
  for (const Subcommand& s : subcommands()) {
    names << s.name;
    width = std::max(width, static_cast<int>(s.name.size()));
  }
  QString out = msg::usage + names.join(QLatin1Char('|')) + QStringLiteral(" FOLDER [オプション]\n\n") +
                msg::overview_head;
  for (const Subcommand& s : subcommands())
    out += QStringLiteral("  ") + s.name.leftJustified(width + 2) + s.summary + QLatin1Char('\n');
  return out + msg::overview_tail;
}

QString help_of(const Subcommand& sub) {
  std::vector<OptionSpec> options = options_of(sub);
  options.push_back({k_help, {}, msg::help_option});
  return msg::usage + sub.name + QLatin1Char(' ') + sub.synopsis + QStringLiteral("\n\n") +
         sub.summary + QLatin1Char('\n') + msg::options_head + option_lines(options);
}

// Options as "--name VALUE", "--name=VALUE", "--flag" or, where the value
// may be left out, "--name[=VALUE]"; "--" ends them.
// An empty message when args parsed.
QString parse(const std::vector<OptionSpec>& specs, const QStringList& words, Args& args) {
  bool options_over = false;
  for (int i = 0; i < words.size(); ++i) {
    const QString& w = words[i];
    if (options_over || !w.startsWith(QLatin1Char('-')) || w == QLatin1String("-")) {
      args.positional << w;
      continue;
    }
    if (w == QLatin1String("--")) {
      options_over = true;
      continue;
    }
    const qsizetype eq = w.indexOf(QLatin1Char('='));
    const QString name = w == QLatin1String("-h") ? k_help : eq < 0 ? w : w.left(eq);
    if (name == k_help) {
      args.options.insert(k_help, {});
      continue;
    }
    const auto spec = std::find_if(specs.begin(), specs.end(),
                                   [&](const OptionSpec& o) { return o.name == name; });
    if (spec == specs.end()) return msg::unknown_option + w;
    if (args.has(name) && !spec->repeats) return msg::repeated_option + name;
    if (is_optional(*spec)) {
      args.options.insert(name, eq >= 0 ? w.mid(eq + 1) : QString());
      continue;
    }
    if (spec->value_name.isEmpty()) {
      if (eq >= 0) return msg::flag_with_value + w;
      args.options.insert(name, {});
      continue;
    }
    if (eq < 0 && i + 1 >= words.size()) return msg::missing_value + name;
    const QString value = eq >= 0 ? w.mid(eq + 1) : words[++i];
    args.options.insert(name, value);
    if (spec->repeats) args.repeated[name] << value;
  }
  return {};
}

}  // namespace

bool add_subcommand(Subcommand sub) {
  auto& list = subcommand_list();
  list.push_back(std::move(sub));
  std::stable_sort(list.begin(), list.end(),
                   [](const Subcommand& a, const Subcommand& b) { return a.rank < b.rank; });
  return true;
}

bool add_steps(std::vector<Step> steps) {
  auto& list = step_list();
  for (Step& s : steps) list.push_back(std::move(s));
  std::stable_sort(list.begin(), list.end(), [](const Step& a, const Step& b) { return a.rank < b.rank; });
  return true;
}

const std::vector<Subcommand>& subcommands() { return subcommand_list(); }

std::vector<const Step*> steps_of(const QString& subcommand) {
  std::vector<const Step*> out;
  for (const Step& s : step_list())
    if (s.subcommand == subcommand) out.push_back(&s);
  return out;
}

std::vector<OptionSpec> options_of(const Subcommand& sub) {
  std::vector<OptionSpec> out;
  for (const Step* s : steps_of(sub.name)) out.insert(out.end(), s->options.begin(), s->options.end());
  out.insert(out.end(), sub.options.begin(), sub.options.end());
  return out;
}

namespace {
bool given(const Step& step, const Args& args) {
  return std::any_of(step.options.begin(), step.options.end(),
                     [&](const OptionSpec& o) { return args.has(o.name); });
}
}  // namespace

bool any_step_given(const QString& subcommand, const Args& args) {
  const auto steps = steps_of(subcommand);
  return std::any_of(steps.begin(), steps.end(), [&](const Step* s) { return given(*s, args); });
}

bool run_steps(const QString& subcommand, Session& s, const Args& args, Plan& plan) {
  for (const Step* step : steps_of(subcommand))
    if (given(*step, args) && !step->run(s, args, plan)) return false;
  return true;
}

void print_out(const QString& text) { write_to(stdout, text); }
void print_err(const QString& text) { write_to(stderr, text); }

int dispatch(const QStringList& words) {
  if (words.isEmpty()) return usage_error(msg::no_subcommand);
  const QString& first = words.front();
  if (first == k_help || first == QLatin1String("-h")) {
    print_out(overview());
    return k_ok;
  }
  if (first == QLatin1String("--version")) {
    print_out(msg::program + QLatin1Char(' ') + QStringLiteral(TAGNARABE_VERSION) + QLatin1Char('\n'));
    return k_ok;
  }
  const auto& subs = subcommands();
  const auto sub = std::find_if(subs.begin(), subs.end(), [&](const Subcommand& s) { return s.name == first; });
  if (sub == subs.end()) return usage_error(msg::unknown_subcommand + first);

  Args args;
  if (const QString error = parse(options_of(*sub), words.mid(1), args); !error.isEmpty())
    return usage_error(error);
  if (args.has(k_help)) {
    print_out(help_of(*sub));
    return k_ok;
  }
  if (args.positional.size() < sub->positional) return usage_error(msg::missing_folder);
  if (args.positional.size() > sub->positional)
    return usage_error(msg::extra_argument + args.positional[sub->positional]);
  if (sub->check)
    if (const QString error = sub->check(args); !error.isEmpty()) return usage_error(error);
  for (const Step* step : steps_of(sub->name))
    if (step->check && given(*step, args))
      if (const QString error = step->check(args); !error.isEmpty()) return usage_error(error);
  SayWaiting say_waiting;
  set_lock_wait(&say_waiting);
  const int status = sub->run(args);
  set_lock_wait(nullptr);
  return status;
}

}  // namespace tn::cli
