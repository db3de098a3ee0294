// The start-up reference: a Qt program that shows one empty window of the
// start-up form's size, to tell Qt's own start-up from ours.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.resize(480, 360);
  w.show();
  return app.exec();
}
