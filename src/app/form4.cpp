#include "app/form4.h"

#include <QLabel>
#include <QPushButton>

#include "app/fonts.h"
#include "app/messages.h"
#include "app/program_icon.h"

namespace tn {

namespace {
// Laid out in twips, 15 to a pixel.
constexpr QRect twips(int left, int top, int width, int height) {
  return {left / 15, top / 15, width / 15, height / 15};
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QLatin1String(name));
  l->setGeometry(geometry);
  return l;
}
}  // namespace

Form4::Form4(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form4"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle(caption::form4);
  setWindowIcon(program_icon());
  setFont(gothic_font(9));
  setFixedSize(twips(0, 0, 5700, 2040).size());

  QLabel* l2 = label(this, "Label2", caption::label2, twips(315, 180, 5535, 480));
  l2->setFont(pop_font(15.75));
  QPalette blue = l2->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  l2->setPalette(blue);

  label(this, "Label3", caption::label3, twips(690, 765, 1815, 330))->setFont(mincho_font(14.25));

  // The address must show whole in its narrow box.
  QLabel* l4 = label(this, "Label4", caption::label4, twips(3345, 795, 2175, 270));
  l4->setFont(fit_font(font(), caption::label4, l4->width()));
  l4->setTextInteractionFlags(Qt::TextSelectableByMouse);

  QLabel* picture = label(this, "Picture1", QString(), twips(5085, 1170, 630, 570));
  picture->setPixmap(program_pixmap(32));
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* back = new QPushButton(caption::cmd_modoru3, this);
  back->setObjectName(QStringLiteral("cmd_modoru3"));
  back->setGeometry(twips(1980, 1635, 1530, 360));
  back->setDefault(true);
  back->setToolTip(tip::cmd_modoru3);
  connect(back, &QPushButton::clicked, this, &QDialog::close);
}

}  // namespace tn
