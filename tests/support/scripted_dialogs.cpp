#include "scripted_dialogs.h"

#include <stdexcept>

namespace tn {

QString ScriptedDialogs::next(const QString& what) {
  if (script_.empty())
    throw std::logic_error("no scripted answer left for: " + what.toStdString());
  QString a = script_.front();
  script_.pop_front();
  return a;
}

bool ScriptedDialogs::ask(const QString& text) {
  log << QStringLiteral("ask: ") + text;
  const QString a = next(text);
  if (a != QLatin1String("yes") && a != QLatin1String("no"))
    throw std::logic_error("expected yes/no for: " + text.toStdString());
  return a == QLatin1String("yes");
}

void ScriptedDialogs::notify(const QString& text) { log << QStringLiteral("notify: ") + text; }

QString ScriptedDialogs::input(const QString& prompt) {
  log << QStringLiteral("input: ") + prompt;
  const QString a = next(prompt);
  if (a == QLatin1String("cancel")) return {};
  if (!a.startsWith(QLatin1String("text:")))
    throw std::logic_error("expected typed text for: " + prompt.toStdString());
  return a.mid(5);
}

std::optional<QString> ScriptedDialogs::open_file(const QString& start_dir,
                                                  const QStringList& filters,
                                                  int selected_filter) {
  log << QStringLiteral("open: ") + start_dir;
  return file_dialog(filters, selected_filter);
}

std::optional<QString> ScriptedDialogs::save_file(const QString& start_path, const QStringList& filters,
                                                  int selected_filter) {
  log << QStringLiteral("save: ") + start_path;
  return file_dialog(filters, selected_filter);
}

std::optional<QString> ScriptedDialogs::file_dialog(const QStringList& filters, int selected_filter) {
  last_filters = filters;
  last_selected_filter = selected_filter;
  const QString a = next(QStringLiteral("file dialog"));
  if (a == QLatin1String("cancel")) return std::nullopt;
  if (!a.startsWith(QLatin1String("file:")))
    throw std::logic_error("expected a picked file for the file dialog");
  return a.mid(5);
}

QStringList ScriptedDialogs::notices() const {
  QStringList out;
  for (const QString& line : log)
    if (line.startsWith(QLatin1String("notify: "))) out << line.mid(8);
  return out;
}

}  // namespace tn
