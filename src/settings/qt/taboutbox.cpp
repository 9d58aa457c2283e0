#include "settings/qt/taboutbox.h"

#include "platform/qt/qt_text.h"
#include "settings/localized_texts.h"
#include "settings/program_icon.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace velira
{

QImage ProgramImage(int size)
{
	QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
	picture.fill(QColor::fromRgb(kIconBackgroundRgb));
	QPainter painter(&picture);
	painter.setRenderHint(QPainter::Antialiasing);
	painter.setPen(Qt::NoPen);
	const qreal radius = size * kIconDotRadius;
	for (const IconDot &dot : ProgramIconDots()) {
		painter.setBrush(QColor::fromRgb(dot.raised ? kIconRaisedDotRgb : kIconFlatDotRgb));
		painter.drawEllipse(QPointF(size * dot.x, size * dot.y), radius, radius);
	}
	return picture;
}

QPixmap ProgramPicture(int size)
{
	return QPixmap::fromImage(ProgramImage(size));
}

TAboutbox::TAboutbox(QWidget *parent) : QDialog(parent)
{
	setObjectName(QStringLiteral("TAboutbox"));
	setModal(true);

	Panel1 = new QFrame(this);
	Panel1->setObjectName(QStringLiteral("Panel1"));
	Panel1->setFrameShape(QFrame::Panel);
	Panel1->setFrameShadow(QFrame::Sunken);

	ProgramIcon = new QLabel(Panel1);
	ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
	ProgramIcon->setFixedSize(32, 32);
	ProgramIcon->setScaledContents(true);
	ProgramIcon->setPixmap(ProgramPicture(32));

	ProductName = new QLabel(Panel1);
	ProductName->setObjectName(QStringLiteral("ProductName"));
	Version = new QLabel(Panel1);
	Version->setObjectName(QStringLiteral("Version"));
	Copyright = new QLabel(QStringLiteral("Copyright \u00A9 2026 The Velira shell developers"), Panel1);
	Copyright->setObjectName(QStringLiteral("Copyright"));
	Comments = new QLabel(Panel1);
	Comments->setObjectName(QStringLiteral("Comments"));
	Comments->setWordWrap(true);

	// Labels take no focus; the screen reader reads them with the dialog.
	for (QLabel *label : {ProductName, Version, Copyright, Comments})
		label->setTextInteractionFlags(Qt::TextSelectableByKeyboard);

	OKButton = new QPushButton(this);
	OKButton->setObjectName(QStringLiteral("OKButton"));
	OKButton->setDefault(true);
	connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

	auto *text = new QVBoxLayout;
	text->addWidget(ProductName);
	text->addWidget(Version);
	text->addWidget(Copyright);
	text->addWidget(Comments);
	auto *panel = new QHBoxLayout(Panel1);
	panel->addWidget(ProgramIcon, 0, Qt::AlignTop);
	panel->addLayout(text, 1);

	auto *outer = new QVBoxLayout(this);
	outer->addWidget(Panel1);
	outer->addWidget(OKButton, 0, Qt::AlignHCenter);
	layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutbox::showEvent(QShowEvent *event)
{
	QDialog::showEvent(event);
	if (QScreen *display = screen(); display != nullptr) {
		QRect frame = frameGeometry();
		frame.moveCenter(display->availableGeometry().center());
		move(frame.topLeft());
	}
}

void TAboutbox::FormCreate()
{
	setWindowTitle(FromCp1250(LocalizedText(languageBase, kTextAboutCaption)));
	ProductName->setText(FromCp1250(LocalizedText(languageBase, kTextAppTitle)));
	Version->setText(FromCp1250(LocalizedText(languageBase, kTextVersion) + " " + kVersionNumber));
	OKButton->setText(FromCp1250(LocalizedText(languageBase, kTextOk)));
	ProgramIcon->setAccessibleName(ProductName->text());
	OKButton->setFocus();
}

} // namespace velira
