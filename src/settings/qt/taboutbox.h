#pragma once

#include <QDialog>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>

namespace velira
{

// The about box: product name, version and copyright.
class TAboutbox : public QDialog
{
	Q_OBJECT

public:
	explicit TAboutbox(QWidget *parent = nullptr);

	// Sets the localized texts; runs once, when the box is created.
	void FormCreate();

	QFrame *Panel1 = nullptr;
	QLabel *ProgramIcon = nullptr;
	QLabel *ProductName = nullptr;
	QLabel *Version = nullptr;
	QLabel *Copyright = nullptr;
	QLabel *Comments = nullptr;
	QPushButton *OKButton = nullptr;

protected:
	// The box opens centred on the screen, not over the main window.
	void showEvent(QShowEvent *event) override;
};

// The program's own picture (ProgramIconDots) at `size` pixels square; the
// image needs no display, so the icon generator paints it too.
QImage ProgramImage(int size);
QPixmap ProgramPicture(int size);

constexpr const char *kVersionNumber = "1.8";

} // namespace velira
