#pragma once
// The About box: name, version, contact address and icon. Modeless; gone
// when closed, so the next showing makes it afresh.

#include <QDialog>

namespace tn {

class Form4 final : public QDialog {
  Q_OBJECT
 public:
  explicit Form4(QWidget* parent = nullptr);
};

}  // namespace tn
