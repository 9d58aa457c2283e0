#include "sound/qt/tform5.h"
#include "settings/qt/captions.h"

#include "platform/qt/error_boundary.h"
#include "platform/qt/qt_text.h"
#include "platform/services.h"
#include "settings/shared_settings.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velira
{

int TrackBarPositionForVolume(int32_t volume)
{
	// In 64 bits: a hand-edited volume near the integer limit must not wrap.
	const int64_t position = (static_cast<int64_t>(volume) + 10000) / 100;
	if (position < 0)
		return 0;
	if (position > 100)
		return 100;
	return static_cast<int>(position);
}

int32_t VolumeForTrackBarPosition(int position)
{
	return position * 100 - 10000;
}

TForm5::TForm5(QWidget *parent) : QDialog(parent)
{
	setObjectName(QStringLiteral("TForm5"));
	setModal(true);

	voicecheckbox = new QCheckBox(this);
	voicecheckbox->setObjectName(QStringLiteral("voicecheckbox"));
	velirasoundschk = new QCheckBox(this);
	velirasoundschk->setObjectName(QStringLiteral("velirasoundschk"));
	connect(velirasoundschk, &QCheckBox::toggled, this, [this] { velirasoundschkClick(); });

	sndvoltrackbar = new QSlider(Qt::Horizontal, this);
	sndvoltrackbar->setObjectName(QStringLiteral("sndvoltrackbar"));
	sndvoltrackbar->setRange(0, 100);
	sndvoltrackbar->setSingleStep(1);
	sndvoltrackbar->setPageStep(2);
	sndvoltrackbar->setTickPosition(QSlider::TicksBelow);
	sndvoltrackbar->setTickInterval(10);
	connect(sndvoltrackbar, &QSlider::valueChanged, this, [this] { sndvoltrackbarChange(); });

	sndvolstatic = new QLabel(this);
	sndvolstatic->setObjectName(QStringLiteral("sndvolstatic"));
	sndvolstatic->setBuddy(sndvoltrackbar);

	okbitbtn = new QPushButton(this);
	okbitbtn->setObjectName(QStringLiteral("okbitbtn"));
	okbitbtn->setDefault(true);
	connect(okbitbtn, &QPushButton::clicked, this, &QDialog::accept);
	cancelbitbtn = new QPushButton(this);
	cancelbitbtn->setObjectName(QStringLiteral("cancelbitbtn"));
	connect(cancelbitbtn, &QPushButton::clicked, this, &QDialog::reject);

	auto *buttons = new QHBoxLayout;
	buttons->addStretch(1);
	buttons->addWidget(okbitbtn);
	buttons->addWidget(cancelbitbtn);
	auto *outer = new QVBoxLayout(this);
	outer->addWidget(voicecheckbox);
	outer->addWidget(velirasoundschk);
	outer->addWidget(sndvolstatic);
	outer->addWidget(sndvoltrackbar);
	outer->addLayout(buttons);

	setTabOrder(voicecheckbox, velirasoundschk);
	setTabOrder(velirasoundschk, sndvoltrackbar);
	setTabOrder(sndvoltrackbar, okbitbtn);
	setTabOrder(okbitbtn, cancelbitbtn);
}

void TForm5::FormCreate()
{
	setWindowTitle(LocalizedCaption(kTextSoundsCaption));
	voicecheckbox->setText(LocalizedCaption(kTextUseVoice));
	voicecheckbox->setAccessibleName(SpokenCaption(voicecheckbox->text()));
	velirasoundschk->setText(LocalizedCaption(kTextDeviceSounds));
	velirasoundschk->setAccessibleName(SpokenCaption(velirasoundschk->text()));
	sndvolstatic->setText(LocalizedCaption(kTextSoundVolume));
	// The track bar has no caption of its own: it is named by its label.
	sndvoltrackbar->setAccessibleName(SpokenCaption(sndvolstatic->text()));
	okbitbtn->setText(LocalizedCaption(kTextOk));
	okbitbtn->setAccessibleName(SpokenCaption(okbitbtn->text()));
	cancelbitbtn->setText(LocalizedCaption(kTextCancel));
	cancelbitbtn->setAccessibleName(SpokenCaption(cancelbitbtn->text()));
}

void TForm5::velirasoundschkClick()
{
	sndvoltrackbar->setEnabled(velirasoundschk->isChecked());
}

void TForm5::sndvoltrackbarChange()
{
	soundVolume = VolumeForTrackBarPosition(sndvoltrackbar->value());
	if (!isActiveWindow())
		return;
	// The preview goes through the tone statement, so it sounds only while
	// the device sounds are on.
	RunHandler([] { services().ToneStatement({1000}, 100, 1); });
}

} // namespace velira
