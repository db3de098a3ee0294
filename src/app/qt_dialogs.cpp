#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tn {

bool QtDialogs::ask(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, k_message_title, text, QMessageBox::NoButton, parent_);
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.exec();
  return box.clickedButton() == yes;
}

void QtDialogs::notify(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, k_message_title, text, QMessageBox::NoButton, parent_);
  box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  box.exec();
}

QString QtDialogs::input(const QString& prompt) {
  QInputDialog dlg(parent_);
  dlg.setWindowTitle(k_message_title);
  dlg.setLabelText(prompt);
  dlg.setOkButtonText(QStringLiteral("OK"));
  dlg.setCancelButtonText(QStringLiteral("キャンセル"));
  return dlg.exec() == QDialog::Accepted ? dlg.textValue() : QString();
}

std::optional<QString> QtDialogs::open_file(const QString& start_dir, const QStringList& filters,
                                            int selected_filter) {
  QFileDialog dlg(parent_, QString(), start_dir);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setNameFilters(filters);
  if (selected_filter >= 0 && selected_filter < filters.size())
    dlg.selectNameFilter(filters[selected_filter]);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().constFirst();
}

}  // namespace tn
