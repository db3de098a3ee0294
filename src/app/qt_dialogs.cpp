#include "app/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace tn {

QWidget* QtDialogs::owner() const {
  return parent_ ? parent_.data() : QApplication::activeWindow();
}

bool QtDialogs::ask(const QString& text) { return question(text, true); }

bool QtDialogs::ask_default_no(const QString& text) { return question(text, false); }

bool QtDialogs::question(const QString& text, bool yes_default) {
  QMessageBox box(QMessageBox::NoIcon, k_message_title, text, QMessageBox::NoButton, owner());
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  box.setDefaultButton(yes_default ? yes : no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void QtDialogs::notify(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, k_message_title, text, QMessageBox::NoButton, owner());
  box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  box.exec();
}

QString QtDialogs::input(const QString& prompt) {
  QInputDialog dlg(owner());
  dlg.setWindowTitle(k_message_title);
  dlg.setLabelText(prompt);
  dlg.setOkButtonText(QStringLiteral("OK"));
  dlg.setCancelButtonText(QStringLiteral("キャンセル"));
  return dlg.exec() == QDialog::Accepted ? dlg.textValue() : QString();
}

std::optional<QString> QtDialogs::open_file(const QString& start_dir, const QStringList& filters,
                                            int selected_filter) {
  QFileDialog dlg(owner(), QString(), start_dir);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  // The filters name their patterns already; Qt would add them a second time.
  dlg.setOption(QFileDialog::HideNameFilterDetails);
  dlg.setNameFilters(filters);
  if (selected_filter >= 0 && selected_filter < filters.size())
    dlg.selectNameFilter(filters[selected_filter]);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::save_file(const QString& start_path, const QStringList& filters,
                                            int selected_filter) {
  QFileDialog dlg(owner(), QString(), start_path);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setOption(QFileDialog::HideNameFilterDetails);
  dlg.setNameFilters(filters);
  // A name typed without suffix takes the chosen kind's ("(*.xlsx)").
  const auto suffix_of = [](const QString& filter) {
    const auto m = QRegularExpression(QStringLiteral("\\*\\.(\\w+)\\)\\s*$")).match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
  };
  QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                   [&dlg, suffix_of](const QString& f) { dlg.setDefaultSuffix(suffix_of(f)); });
  if (selected_filter >= 0 && selected_filter < filters.size()) {
    dlg.selectNameFilter(filters[selected_filter]);
    dlg.setDefaultSuffix(suffix_of(filters[selected_filter]));
  }
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().constFirst();
}

}  // namespace tn
