#pragma once
// The four kinds of box a command may show. Every box carries the caption
// k_message_title; the app shows real boxes, tests answer from a script.

#include <QString>
#include <QStringList>
#include <optional>

namespace tn {

inline const QString k_message_title = QStringLiteral("ぽむぽむ工房");

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Yes/No question, Yes the default; true on Yes.
  virtual bool ask(const QString& text) = 0;
  // Yes/No question before work is thrown away: No the default, so a hurried
  // Enter keeps the work. Boxes without a default button answer as ask().
  virtual bool ask_default_no(const QString& text) { return ask(text); }
  // Notice with a single OK button.
  virtual void notify(const QString& text) = 0;
  // Input box with one text field; the empty text on Cancel.
  virtual QString input(const QString& prompt) = 0;
  // Open-file dialog. filters are Qt filter entries ("desc (*.xls)");
  // nullopt on Cancel.
  virtual std::optional<QString> open_file(const QString& start_dir, const QStringList& filters,
                                           int selected_filter) = 0;
  // Save-file dialog starting at start_path (folder and proposed name); a
  // name typed without suffix gets the chosen filter's. nullopt on Cancel,
  // and from a front that has no such dialog.
  virtual std::optional<QString> save_file(const QString& /*start_path*/, const QStringList& /*filters*/,
                                           int /*selected_filter*/) {
    return std::nullopt;
  }
};

}  // namespace tn
