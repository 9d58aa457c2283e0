#include "shell/qt/tform1.h"

#include <QKeyEvent>

// The keyboard commands and key handling, until the input subsystem
// provides them.
namespace velira
{

void TForm1::anouncetypeitemClick() {}
void TForm1::braillekeyboarditemClick() {}
void TForm1::autochangeitemClick() {}
void TForm1::keyboardechoitemClick() {}
void TForm1::LoadInputTables() {}
void TForm1::updatestatusbar() {}
void TForm1::keyPressEvent(QKeyEvent *event)
{
	QMainWindow::keyPressEvent(event);
}
void TForm1::keyReleaseEvent(QKeyEvent *event)
{
	QMainWindow::keyReleaseEvent(event);
}

} // namespace velira
