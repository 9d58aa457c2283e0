#pragma once

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include <string>

namespace velira
{

// The voice dialog: the older speech interface's voices, and the pitch,
// speed and volume of the chosen one. Every control announces itself when
// it gets the focus, and every slider change reaches the engine at once.
class TForm4 : public QDialog
{
	Q_OBJECT

public:
	// The results of exec().
	static constexpr int kResultOk = 1;
	static constexpr int kResultCancel = 2;

	explicit TForm4(QWidget *parent = nullptr);
	~TForm4() override;

	// Runs once, when the dialog is created at program start.
	void FormCreate();

	// Controls, in tab order.
	QListWidget *voicelist = nullptr;
	QLabel *voicestatic = nullptr;
	QSlider *pitchtb = nullptr;
	QLabel *pitchstatic = nullptr;
	QSlider *speedtb = nullptr;
	QLabel *speedstatic = nullptr;
	QSlider *volumetb = nullptr;
	QLabel *volumestatic = nullptr;
	QPushButton *vyberhlasbitbtn = nullptr;
	QPushButton *closebitbtn = nullptr;

	// Fills voicelist from the engine enumerator and preselects a voice.
	void FillVoiceList();
	// Fills it if creation left that for later: listing the voices reads
	// every voice file, which would hold up the start-up. Whatever reads
	// the list calls this first; the process entry calls it once the main
	// window is up.
	void FillPendingVoiceList();
	// Selects the engine of the chosen mode and reads its attribute ranges
	// into the sliders.
	void SelectVoice();
	void SaveVoiceSettings();
	void LoadVoiceSettings();

	// Event handlers.
	void FormActivate();
	void FormClose();
	void voicelistClick();
	void voicelistEnter();
	void pitchtbChange();
	void speedtbChange();
	void volumetbChange();
	void pitchtbEnter();
	void speedtbEnter();
	void volumetbEnter();
	void vyberhlasbitbtnEnter();
	void closebitbtnEnter();

	bool voiceDialogShown = false;

	void done(int result) override;

protected:
	bool event(QEvent *event) override;
	bool eventFilter(QObject *watched, QEvent *event) override;

private:
	bool voice_list_pending_ = false;
	std::string SelectedLineText() const;
	// AudioReset on the central when the dialog is the active window.
	void SilenceWhenActive();
	void AnnounceSlider(QLabel *label, QSlider *slider);
	void SliderChanged(const char *tag, int value_for_engine, int position);
	void UpdateAccessibleValues();
};

// The default voice name that FillVoiceList looks for first.
constexpr const char *kDefaultVoiceName = "Jakub";

} // namespace velira
