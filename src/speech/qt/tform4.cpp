#include "speech/qt/tform4.h"
#include "settings/qt/captions.h"

#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/qt/error_boundary.h"
#include "platform/qt/qt_text.h"
#include "platform/services.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <climits>
#include <cmath>

namespace velira
{

namespace
{

int ToSliderValue(uint32_t value)
{
	return value > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// The nearest integer to (maximum - minimum) / 10, halves to even.
int TickFrequency(int minimum, int maximum)
{
	const double step = (static_cast<double>(maximum) - static_cast<double>(minimum)) / 10.0;
	return static_cast<int>(std::nearbyint(step));
}

QSlider *MakeSlider(QWidget *parent, const char *name)
{
	auto *slider = new QSlider(Qt::Horizontal, parent);
	slider->setObjectName(QString::fromLatin1(name));
	slider->setRange(0, 10);
	slider->setValue(0);
	slider->setTickPosition(QSlider::TicksBelow);
	slider->setFocusPolicy(Qt::StrongFocus);
	slider->setEnabled(false);
	return slider;
}

QLabel *MakeLabel(QWidget *parent, const char *name, QWidget *buddy)
{
	auto *label = new QLabel(parent);
	label->setObjectName(QString::fromLatin1(name));
	label->setBuddy(buddy);
	return label;
}

// Reads one attribute through its probes: Get; Set of the same value; then
// the minimum and maximum by setting 0 and all ones. False when the engine
// does not implement it; other failures of the get and the probe raise.
template <typename Value, typename Get, typename Set>
bool ProbeAttribute(Get get, Set set, Value all_ones, Value &current, Value &minimum, Value &maximum)
{
	SpeechResult result = get(current);
	if (result == kSpeechNotImplemented)
		return false;
	CheckSpeechResult(result);
	result = set(current);
	if (result == kSpeechNotImplemented)
		return false;
	CheckSpeechResult(result);
	// The results of the calls after the probes are not tested.
	set(Value(0));
	get(minimum);
	set(all_ones);
	get(maximum);
	set(current);
	return true;
}

} // namespace

TForm4::TForm4(QWidget *parent) : QDialog(parent)
{
	setObjectName(QStringLiteral("TForm4"));
	setModal(true);

	voicelist = new QListWidget(this);
	voicelist->setObjectName(QStringLiteral("voicelist"));
	voicelist->setSelectionMode(QAbstractItemView::SingleSelection);
	voicestatic = MakeLabel(this, "voicestatic", voicelist);
	pitchtb = MakeSlider(this, "pitchtb");
	pitchstatic = MakeLabel(this, "pitchstatic", pitchtb);
	speedtb = MakeSlider(this, "speedtb");
	speedstatic = MakeLabel(this, "speedstatic", speedtb);
	volumetb = MakeSlider(this, "volumetb");
	volumestatic = MakeLabel(this, "volumestatic", volumetb);
	for (QLabel *label : {pitchstatic, speedstatic, volumestatic})
		label->setEnabled(false);

	vyberhlasbitbtn = new QPushButton(this);
	vyberhlasbitbtn->setObjectName(QStringLiteral("vyberhlasbitbtn"));
	vyberhlasbitbtn->setDefault(true);
	closebitbtn = new QPushButton(this);
	closebitbtn->setObjectName(QStringLiteral("closebitbtn"));
	connect(vyberhlasbitbtn, &QPushButton::clicked, this, [this] { done(kResultOk); });
	connect(closebitbtn, &QPushButton::clicked, this, [this] { done(kResultCancel); });

	auto *grid = new QGridLayout;
	grid->addWidget(pitchstatic, 0, 0);
	grid->addWidget(pitchtb, 0, 1);
	grid->addWidget(speedstatic, 1, 0);
	grid->addWidget(speedtb, 1, 1);
	grid->addWidget(volumestatic, 2, 0);
	grid->addWidget(volumetb, 2, 1);
	auto *buttons = new QHBoxLayout;
	buttons->addStretch(1);
	buttons->addWidget(vyberhlasbitbtn);
	buttons->addWidget(closebitbtn);
	auto *outer = new QVBoxLayout(this);
	outer->addWidget(voicestatic);
	outer->addWidget(voicelist, 1);
	outer->addLayout(grid);
	outer->addLayout(buttons);

	setTabOrder(voicelist, pitchtb);
	setTabOrder(pitchtb, speedtb);
	setTabOrder(speedtb, volumetb);
	setTabOrder(volumetb, vyberhlasbitbtn);
	setTabOrder(vyberhlasbitbtn, closebitbtn);

	for (QWidget *control :
	     {static_cast<QWidget *>(voicelist), static_cast<QWidget *>(pitchtb),
	      static_cast<QWidget *>(speedtb), static_cast<QWidget *>(volumetb),
	      static_cast<QWidget *>(vyberhlasbitbtn), static_cast<QWidget *>(closebitbtn)})
		control->installEventFilter(this);

	// Errors of the engine are reported here: none may escape into Qt.
	connect(voicelist, &QListWidget::currentRowChanged, this,
	        [this] { RunHandler([this] { voicelistClick(); }); });
	connect(pitchtb, &QSlider::valueChanged, this, [this] { RunHandler([this] { pitchtbChange(); }); });
	connect(speedtb, &QSlider::valueChanged, this, [this] { RunHandler([this] { speedtbChange(); }); });
	connect(volumetb, &QSlider::valueChanged, this, [this] { RunHandler([this] { volumetbChange(); }); });
}

TForm4::~TForm4()
{
	services().allowVoice = nullptr;
}

void TForm4::FormCreate()
{
	ConnectVoice5();
	speechObjects().notifySink = std::make_shared<TTTSNotifySink>();

	setWindowTitle(LocalizedCaption(kTextVoiceCaption));
	voicestatic->setText(LocalizedCaption(kTextVoices));
	pitchstatic->setText(LocalizedCaption(kTextPitch));
	speedstatic->setText(LocalizedCaption(kTextSpeed));
	volumestatic->setText(LocalizedCaption(kTextVolume));
	vyberhlasbitbtn->setText(LocalizedCaption(kTextChooseVoice));
	closebitbtn->setText(LocalizedCaption(kTextClose));
	voicelist->setAccessibleName(SpokenCaption(LocalizedCaption(kTextVoices)));
	pitchtb->setAccessibleName(SpokenCaption(LocalizedCaption(kTextPitch)));
	speedtb->setAccessibleName(SpokenCaption(LocalizedCaption(kTextSpeed)));
	volumetb->setAccessibleName(SpokenCaption(LocalizedCaption(kTextVolume)));
	vyberhlasbitbtn->setAccessibleName(SpokenCaption(LocalizedCaption(kTextChooseVoice)));
	closebitbtn->setAccessibleName(SpokenCaption(LocalizedCaption(kTextClose)));
	UpdateAccessibleValues();

	services().allowVoice = [this] {
		FillVoiceList();
		SelectVoice();
		SaveVoiceSettings();
	};

	// An error is reported; the dialog is still created and the shell runs on.
	RunHandler([this] {
		voiceAllowed = SettingsFile().ReadBool("voice", "voiceallowed", true);
		// Filled when first needed (FillPendingVoiceList).
		voice_list_pending_ = voiceAllowed;
	});
}

std::string TForm4::SelectedLineText() const
{
	const QListWidgetItem *item = voicelist->currentItem();
	return item != nullptr && voicelist->currentRow() >= 0 ? ToCp1250(item->text()) : std::string();
}

void TForm4::FillPendingVoiceList()
{
	if (voice_list_pending_)
		FillVoiceList();
}

void TForm4::FillVoiceList()
{
	voice_list_pending_ = false;
	SpeechObjectSlots &objects = speechObjects();
	if (!objects.engineEnum)
		return;
	const QSignalBlocker blocker(voicelist);
	voicelist->clear();
	CheckSpeechResult(objects.engineEnum->Reset());
	for (;;) {
		TtsModeInfo mode;
		uint32_t fetched = 0;
		CheckSpeechResult(objects.engineEnum->Next(mode, fetched));
		if (fetched == 0)
			break;
		std::string name = mode.mode_name.substr(0, mode.mode_name.find('\0'));
		voicelist->addItem(FromCp1250(name.substr(0, 262)));
	}
	if (voicelist->count() == 0)
		return;
	int chosen = 0;
	for (int row = 0; row < voicelist->count(); ++row) {
		if (voicelist->item(row)->text() == QLatin1String(kDefaultVoiceName)) {
			chosen = row;
			break;
		}
	}
	voicelist->setCurrentRow(chosen);
	voicelistClick();
}

void TForm4::voicelistClick()
{
	SpeechObjectSlots &objects = speechObjects();
	const int row = voicelist->currentRow();
	if (!objects.engineEnum || row < 0)
		return;
	if (isActiveWindow() && objects.central)
		CheckSpeechResult(objects.central->AudioReset());
	CheckSpeechResult(objects.engineEnum->Reset());
	TtsModeInfo mode;
	bool fetched_any = false;
	for (int i = 0; i <= row; ++i) {
		uint32_t fetched = 0;
		CheckSpeechResult(objects.engineEnum->Next(mode, fetched));
		if (fetched == 0)
			break;
		fetched_any = true;
	}
	if (fetched_any)
		objects.selectedMode = mode;
	// A screen reader says the list's new item itself.
	if (isActiveWindow() && !ServesScreenReader())
		SpeakAndWait(SelectedLineText());
}

void TForm4::SelectVoice()
{
	FillPendingVoiceList();
	SpeechObjectSlots &objects = speechObjects();
	if (!objects.engineEnum || !objects.selectedMode)
		return;
	if (voiceReady && objects.central)
		CheckSpeechResult(objects.central->UnRegister(objects.registrationKey));
	ReleaseCentral();
	std::unique_ptr<TtsCentral> central;
	CheckSpeechResult(objects.engineEnum->Select(objects.selectedMode->mode_id,
	                                             objects.audioDestination.get(), central));
	objects.central = std::move(central);
	voiceReady = true;
	TtsAttributes *attributes = nullptr;
	CheckSpeechResult(objects.central->QueryAttributes(attributes));
	objects.attributes = attributes;

	uint32_t current = 0, minimum = 0, maximum = 0;
	if (ProbeAttribute<uint32_t>([&](uint32_t &v) { return attributes->SpeedGet(v); },
	                             [&](uint32_t v) { return attributes->SpeedSet(v); }, 0xFFFFFFFFu,
	                             current, minimum, maximum)) {
		speedtb->setMaximum(ToSliderValue(maximum));
		speedtb->setMinimum(ToSliderValue(minimum));
		speedtb->setValue(ToSliderValue(current));
		speedtb->setTickInterval(TickFrequency(speedtb->minimum(), speedtb->maximum()));
	}
	uint16_t pitch = 0, pitch_minimum = 0, pitch_maximum = 0;
	if (ProbeAttribute<uint16_t>([&](uint16_t &v) { return attributes->PitchGet(v); },
	                             [&](uint16_t v) { return attributes->PitchSet(v); }, uint16_t(0xFFFF),
	                             pitch, pitch_minimum, pitch_maximum)) {
		pitchtb->setMaximum(pitch_maximum);
		pitchtb->setMinimum(pitch_minimum);
		pitchtb->setValue(pitch);
		pitchtb->setTickInterval(TickFrequency(pitchtb->minimum(), pitchtb->maximum()));
	}
	if (ProbeAttribute<uint32_t>([&](uint32_t &v) { return attributes->VolumeGet(v); },
	                             [&](uint32_t v) { return attributes->VolumeSet(v); }, 0xFFFFFFFFu,
	                             current, minimum, maximum)) {
		// The high byte of the left channel, 0..255.
		volumetb->setMaximum(static_cast<int>((maximum >> 8) & 0xFF));
		volumetb->setMinimum(static_cast<int>((minimum >> 8) & 0xFF));
		volumetb->setValue(static_cast<int>((current >> 8) & 0xFF));
	}
	for (QWidget *control : {static_cast<QWidget *>(speedtb), static_cast<QWidget *>(speedstatic),
	                         static_cast<QWidget *>(pitchtb), static_cast<QWidget *>(pitchstatic),
	                         static_cast<QWidget *>(volumetb), static_cast<QWidget *>(volumestatic)})
		control->setEnabled(true);
	UpdateAccessibleValues();
	uint32_t key = 0;
	CheckSpeechResult(objects.central->Register(objects.notifySink, key));
	objects.registrationKey = key;
}

void TForm4::SaveVoiceSettings()
{
	FillPendingVoiceList();
	IniFile file = SettingsFile();
	file.WriteString("Voice", "person", SelectedLineText());
	file.WriteInteger("Voice", "pitch", pitchtb->value());
	file.WriteInteger("Voice", "speed", speedtb->value());
	file.WriteInteger("Voice", "volume", volumetb->value());
}

void TForm4::LoadVoiceSettings()
{
	if (!voiceAllowed)
		return;
	FillPendingVoiceList();
	const IniFile file = SettingsFile();
	const std::string person = file.ReadString("Voice", "person", std::string());
	if (person.empty())
		return;
	const QList<QListWidgetItem *> found = voicelist->findItems(FromCp1250(person), Qt::MatchFixedString);
	if (found.isEmpty()) {
		// The voice named in the settings is no longer installed. Ending
		// the program here would lock the user out of the shell for good,
		// so the user hears why and the preselected voice is used instead.
		services().DesktopService().ShowMessage(LocalizedText(languageBase, kTextVoiceNotFound) +
		                                        " " + person);
	} else {
		const QSignalBlocker blocker(voicelist);
		voicelist->setCurrentItem(found.first());
	}
	voicelistClick();
	SelectVoice();
	pitchtb->setValue(file.ReadInteger("Voice", "pitch", 0));
	speedtb->setValue(file.ReadInteger("Voice", "speed", 0));
	volumetb->setValue(file.ReadInteger("Voice", "volume", 255));
}

void TForm4::SliderChanged(const char *tag, int value_for_engine, int position)
{
	UpdateAccessibleValues();
	SpeechObjectSlots &objects = speechObjects();
	if (!objects.central)
		return;
	CheckSpeechResult(objects.central->AudioReset());
	CheckSpeechResult(
	    objects.central->Inject("\\" + std::string(tag) + "=" + std::to_string(value_for_engine) + "\\"));
	// A screen reader says the slider's new value itself.
	if (isActiveWindow() && !ServesScreenReader())
		SpeakAndWait(std::to_string(position));
}

void TForm4::pitchtbChange()
{
	SliderChanged("Pit", pitchtb->value(), pitchtb->value());
}

void TForm4::speedtbChange()
{
	SliderChanged("Spd", speedtb->value(), speedtb->value());
}

void TForm4::volumetbChange()
{
	SliderChanged("Vol", volumetb->value() * 256, volumetb->value());
}

void TForm4::SilenceWhenActive()
{
	SpeechObjectSlots &objects = speechObjects();
	if (isActiveWindow() && objects.central)
		CheckSpeechResult(objects.central->AudioReset());
}

void TForm4::AnnounceSlider(QLabel *label, QSlider *slider)
{
	SilenceWhenActive();
	SpeakAndWait(ToCp1250(label->text()) + " " + std::to_string(slider->value()));
}

void TForm4::voicelistEnter()
{
	if (!voiceDialogShown)
		return;
	SilenceWhenActive();
	SpeakAndWait(ToCp1250(voicestatic->text()) + " " + SelectedLineText());
}

void TForm4::pitchtbEnter()
{
	AnnounceSlider(pitchstatic, pitchtb);
}

void TForm4::speedtbEnter()
{
	AnnounceSlider(speedstatic, speedtb);
}

void TForm4::volumetbEnter()
{
	AnnounceSlider(volumestatic, volumetb);
}

void TForm4::vyberhlasbitbtnEnter()
{
	SilenceWhenActive();
	SpeakAndWait(ToCp1250(vyberhlasbitbtn->text()));
}

void TForm4::closebitbtnEnter()
{
	SilenceWhenActive();
	SpeakAndWait(ToCp1250(closebitbtn->text()));
}

void TForm4::FormActivate()
{
	SpeakAndWait(LocalizedText(languageBase, kTextVoiceCaption));
	SpeakAndWait(ToCp1250(voicestatic->text()) + " " + SelectedLineText());
	voiceDialogShown = true;
}

void TForm4::FormClose()
{
	voiceDialogShown = false;
}

void TForm4::done(int result)
{
	FormClose();
	QDialog::done(result);
}

void TForm4::UpdateAccessibleValues()
{
	// Screen readers read a slider's value from the slider itself; the
	// description adds the range, which the engine decides.
	for (QSlider *slider : {pitchtb, speedtb, volumetb})
		slider->setAccessibleDescription(
		    QStringLiteral("%1 - %2").arg(slider->minimum()).arg(slider->maximum()));
}

bool TForm4::event(QEvent *event)
{
	// A screen reader presents the dialog and each control that gets the
	// focus; the dialog's own announcements would say them a second time.
	if (event->type() == QEvent::WindowActivate && isVisible() && !voiceDialogShown) {
		if (ServesScreenReader())
			voiceDialogShown = true;
		else
			RunHandler([this] { FormActivate(); });
	}
	return QDialog::event(event);
}

bool TForm4::eventFilter(QObject *watched, QEvent *event)
{
	if (event->type() != QEvent::FocusIn)
		return QDialog::eventFilter(watched, event);
	// Focus that comes back with the window's activation is not a move of
	// the user: FormActivate announces the dialog then.
	if (static_cast<QFocusEvent *>(event)->reason() == Qt::ActiveWindowFocusReason ||
	    ServesScreenReader())
		return false;
	RunHandler([this, watched] {
		if (watched == voicelist)
			voicelistEnter();
		else if (watched == pitchtb)
			pitchtbEnter();
		else if (watched == speedtb)
			speedtbEnter();
		else if (watched == volumetb)
			volumetbEnter();
		else if (watched == vyberhlasbitbtn)
			vyberhlasbitbtnEnter();
		else if (watched == closebitbtn)
			closebitbtnEnter();
	});
	return false;
}

} // namespace velira
