#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cstdint>

namespace velira
{

// The sounds dialog: allow the voice, switch the device sounds, set their
// volume. The volume works on the live setting while the dialog is open.
class TForm5 : public QDialog
{
	Q_OBJECT

public:
	explicit TForm5(QWidget *parent = nullptr);

	// Labels the dialog; runs once, when it is created at start-up.
	void FormCreate();

	// The track bar follows the device-sounds switch.
	void velirasoundschkClick();
	// The volume follows the track bar at once, with a preview note while the
	// dialog is the active window.
	void sndvoltrackbarChange();

	QCheckBox *voicecheckbox = nullptr;
	QCheckBox *velirasoundschk = nullptr;
	QSlider *sndvoltrackbar = nullptr;
	QLabel *sndvolstatic = nullptr;
	QPushButton *okbitbtn = nullptr;
	QPushButton *cancelbitbtn = nullptr;
};

// Track-bar position for a volume in hundredths of a decibel: (volume +
// 10000) / 100 truncated toward zero and held within 0 to 100. Any stored
// value is accepted, however far out of range.
int TrackBarPositionForVolume(int32_t volume);

// The volume a track-bar position stands for.
int32_t VolumeForTrackBarPosition(int position);

} // namespace velira
