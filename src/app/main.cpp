// The process entry: the shared state reset, the platform services and the
// connections in services(), the windows in their order, and the message loop.
#include "app/core_state.h"
#include "input/adapters/brlapi_display.h"
#include "input/braille_display.h"
#include "input/braille_tables.h"
#include "input/qt/braille_focus.h"
#include "input/qt/tform2.h"
#include "platform/adapters/openal_device.h"
#include "platform/qt/accessibility_events.h"
#include "platform/qt/dbus_screen_reader.h"
#include "platform/qt/error_boundary.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/screen_reader_keys.h"
#include "platform/qt/window_system.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "review/qt/tform6.h"
#include "runtime/velcommands.h"
#include "settings/qt/taboutbox.h"
#include "settings/qt/tform3.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/file_locations.h"
#include "shell/qt/termination_signals.h"
#include "shell/qt/tform1.h"
#include "sound/adapters/openal_mixer.h"
#include "sound/qt/tform5.h"
#include "speech/adapters/espeak_engine.h"
#include "speech/adapters/speechd_voice.h"
#include "speech/qt/tform4.h"
#include "speech/speech_output.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

namespace
{
// Long enough for the main window to be drawn first.
constexpr int kVoiceListDelay_ms = 500;
} // namespace

int main(int argc, char *argv[])
{
	// X11 where there is an X server (XWayland too), unless the user chose:
	// the keys, the held-key query and the braille display are proven there.
	if (!velira::ApplyWindowSystemChoice(
	        velira::ChooseWindowSystem(velira::ProbeWindowSystem(argc, argv))))
		return 1;
	// Before the application starts its threads: it sets an environment
	// variable for a moment.
	velira::OpenAlDevice::PrepareShortBuffer();
	velira::ShellApplication app(argc, argv);
	using namespace velira;

	const QFileInfo executable(QCoreApplication::applicationFilePath());
	QCoreApplication::setApplicationName(executable.completeBaseName());
	// The desktop entry's name and icon, for the task switcher.
	QGuiApplication::setDesktopFileName(QStringLiteral("velira"));
	QApplication::setWindowIcon(QIcon(ProgramPicture(64)));
	// Beside the executable in a run folder; per user in an installation.
	const FileLocations locations = ChooseFileLocations(ProbeLocationFacts(
	    QFile::encodeName(executable.absoluteFilePath()).toStdString(), VELIRA_RELATIVE_DATA_FOLDER));
	CreateUserFolders(locations);

	// The shared state as at start-up, before anything is connected to it;
	// then the file locations that this start chose.
	ResetCoreState();
	SetSettingsFilePath(locations.settings_file);
	SetFileLocations(locations);

	// Every service and connection of the core, in services(). The speech
	// engines and the braille display notify from their own threads: each
	// gets the way to post to this thread when it is made.
	const PostToUiThread post_to_ui = [&app](std::function<void()> message) {
		QMetaObject::invokeMethod(&app, std::move(message), Qt::QueuedConnection);
	};
	QtMessagePump pump;
	SystemClock clock;
	SystemRandom random;
	QtKeyState keys;
	QtDesktop desktop;
	OpenAlMixer mixer;
	EspeakObjectFactory speech_objects(post_to_ui);
	SpeechDispatcherVoice voice5(post_to_ui);
	// The braille display connects in the background: without a BrlAPI
	// server the shell starts as fast, and it connects when one comes.
	BrlapiDisplay braille_display(post_to_ui);
	// Asks without waiting; the answers come once the window is shown, and a
	// first start beside a screen reader chooses the desktop's voice then.
	DBusScreenReaderWatch screen_reader;
	Services &platform = services();
	platform.pump = &pump;
	platform.clock = &clock;
	platform.random = &random;
	platform.keys = &keys;
	platform.desktop = &desktop;
	platform.speechObjects = &speech_objects;
	platform.voice5 = &voice5;
	platform.mixer = &mixer;
	platform.screenReader = &screen_reader;
	brailleOutput().Attach(&braille_display);
	// Spoken characters take their names from the keyboard file and their
	// capital tone from the national letter classes.
	platform.echoNameLookup = [](uint8_t code) -> std::optional<std::string> {
		const int slot = FindEchoKey(code);
		if (slot == kNoEchoKey)
			return std::nullopt;
		return echoKeys[static_cast<size_t>(slot)].name;
	};
	platform.capitalLetterTest = [](uint8_t code) { return IsUpperLetter(code, kCp1250Row); };
	platform.toneStatement = SoundStatement;

	// The windows in their order; each connects what it serves (the main
	// window its timer, screen and sound objects, the voice dialog the voice
	// selection, the review window itself) as it is created, each labelled
	// in the language that the main window's start-up chose.
	TForm1 form1;
	platform.timer = form1.Timer;
	InstallTerminationSignals(&form1);
	form1.FormCreate();

	TForm2 form2(&form1, &form1.Keyboard());
	form2.FormCreate();
	form1.SetForm2(&form2);

	TForm3 form3(&form1);
	form3.FormCreate();
	form1.SetForm3(&form3);

	TForm4 form4(&form1);
	form4.FormCreate();
	form1.SetVoiceDialog(&form4);

	TForm5 form5(&form1);
	form5.FormCreate();
	form1.SetForm5(&form5);

	TForm6 form6(&form1);
	form6.FormCreate();

	TAboutbox aboutbox(&form1);
	aboutbox.FormCreate();
	form1.SetAboutbox(&aboutbox);

	BrailleFocus braille_focus(&form1, form1.printmemo, &form6);

	// Beside a screen reader the device voices its own screen and keys.
	app.KeyGate().active = [] { return ScreenReaderPresent(); };
	app.KeyGate().deviceOwns = [&form1](const QKeyEvent &key) { return form1.DeviceOwnsKey(key); };
	FilterAccessibilityEvents(form1.printmemo, [] { return ScreenReaderPresent(); });

	form1.show();
	// The voices are listed once the window is up; whatever needs them
	// sooner lists them itself.
	QTimer::singleShot(kVoiceListDelay_ms, &form4,
	                   [&form4] { RunHandler([&form4] { form4.FillPendingVoiceList(); }); });
	const int exit_code = app.exec();
	FilterAccessibilityEvents(nullptr, {});
	app.KeyGate().deviceOwns = nullptr;
	brailleOutput().Attach(nullptr);
	// The speech threads end before the application they post to.
	ShutDownSpeech();
	return exit_code;
}
