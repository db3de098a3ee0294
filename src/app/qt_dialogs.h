#pragma once
// The real boxes: caption "ぽむぽむ工房", no icon, Yes the default, the
// button texts of a Japanese desktop.

#include <QPointer>
#include <QWidget>

#include "table/dialogs.h"

namespace tn {

class QtDialogs final : public Dialogs {
 public:
  // Boxes are centred on parent while it lives, else on the active window.
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  bool ask(const QString& text) override;
  bool ask_default_no(const QString& text) override;
  void notify(const QString& text) override;
  QString input(const QString& prompt) override;
  std::optional<QString> open_file(const QString& start_dir, const QStringList& filters,
                                   int selected_filter) override;
  std::optional<QString> save_file(const QString& start_path, const QStringList& filters,
                                   int selected_filter) override;

 private:
  QWidget* owner() const;
  bool question(const QString& text, bool yes_default);
  QPointer<QWidget> parent_;
};

}  // namespace tn
