// The process entry, in its steps: the window system chosen, the file
// locations and the shared state reset, the platform services and the
// connections in services(), the windows in their order, the screen reader
// served, the message loop, and the way down.
#include "app/core_state.h"
#include "input/adapters/brlapi_display.h"
#include "input/braille_display.h"
#include "input/braille_tables.h"
#include "input/qt/braille_focus.h"
#include "input/qt/tform2.h"
#include "platform/adapters/openal_device.h"
#include "platform/qt/error_boundary.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/window_system.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "review/qt/tform6.h"
#include "runtime/velcommands.h"
#include "screen_reader/qt/accessibility_events.h"
#include "screen_reader/qt/dbus_screen_reader.h"
#include "screen_reader/qt/orca_care.h"
#include "screen_reader/qt/shell_application.h"
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

#include <memory>

namespace velira
{
namespace
{

// Long enough for the main window to be drawn first.
constexpr int kVoiceListDelay_ms = 500;

// The platform services of one run, alive as long as the windows. The speech
// engines and the braille display notify from their own threads: each gets
// the way to post to this thread when it is made.
struct PlatformServices {
	explicit PlatformServices(const PostToUiThread &post)
	    : speech_objects(post), voice5(post), braille_display(post)
	{
	}
	QtMessagePump pump;
	SystemClock clock;
	SystemRandom random;
	QtKeyState keys;
	QtDesktop desktop;
	OpenAlMixer mixer;
	EspeakObjectFactory speech_objects;
	SpeechDispatcherVoice voice5;
	// Connects in the background: without a BrlAPI server the shell starts
	// as fast, and it connects when one comes.
	BrlapiDisplay braille_display;
	// Asks without waiting; the answers come once the window is shown, and a
	// first start beside a screen reader chooses the desktop's voice then.
	DBusScreenReaderWatch screen_reader;
};

// The windows, made in their order and destroyed in the reverse.
struct Windows {
	std::unique_ptr<TForm1> form1;
	std::unique_ptr<TForm2> form2;
	std::unique_ptr<TForm3> form3;
	std::unique_ptr<TForm4> form4;
	std::unique_ptr<TForm5> form5;
	std::unique_ptr<TForm6> form6;
	std::unique_ptr<TAboutbox> aboutbox;
	std::unique_ptr<BrailleFocus> braille_focus;
};

// The name, desktop entry and icon the task switcher shows.
void NameTheApplication()
{
	const QFileInfo executable(QCoreApplication::applicationFilePath());
	QCoreApplication::setApplicationName(executable.completeBaseName());
	QGuiApplication::setDesktopFileName(QStringLiteral("velira"));
	QApplication::setWindowIcon(QIcon(ProgramPicture(64)));
}

// Beside the executable in a run folder; per user in an installation. The
// shared state as at start-up, before anything is connected to it, then the
// file locations that this start chose.
void ResetStateForThisStart()
{
	const QFileInfo executable(QCoreApplication::applicationFilePath());
	const FileLocations locations = ChooseFileLocations(ProbeLocationFacts(
	    QFile::encodeName(executable.absoluteFilePath()).toStdString(), VELIRA_RELATIVE_DATA_FOLDER));
	CreateUserFolders(locations);
	ResetCoreState();
	SetSettingsFilePath(locations.settings_file);
	SetFileLocations(locations);
}

// Every service and connection of the core, in services().
void ConnectServices(PlatformServices &services_of_run)
{
	Services &platform = services();
	platform.pump = &services_of_run.pump;
	platform.clock = &services_of_run.clock;
	platform.random = &services_of_run.random;
	platform.keys = &services_of_run.keys;
	platform.desktop = &services_of_run.desktop;
	platform.speechObjects = &services_of_run.speech_objects;
	platform.voice5 = &services_of_run.voice5;
	platform.mixer = &services_of_run.mixer;
	platform.screenReader = &services_of_run.screen_reader;
	brailleOutput().Attach(&services_of_run.braille_display);
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
}

// The windows in their order; each connects what it serves (the main window
// its timer, screen and sound objects, the voice dialog the voice selection,
// the review window itself) as it is created, each labelled in the language
// that the main window's start-up chose.
void CreateWindows(Windows &windows)
{
	windows.form1 = std::make_unique<TForm1>();
	TForm1 &form1 = *windows.form1;
	services().timer = form1.Timer;
	InstallTerminationSignals(&form1);
	form1.FormCreate();

	windows.form2 = std::make_unique<TForm2>(&form1, &form1.Keyboard());
	windows.form2->FormCreate();
	form1.SetForm2(windows.form2.get());

	windows.form3 = std::make_unique<TForm3>(&form1);
	windows.form3->FormCreate();
	form1.SetForm3(windows.form3.get());

	windows.form4 = std::make_unique<TForm4>(&form1);
	windows.form4->FormCreate();
	form1.SetVoiceDialog(windows.form4.get());

	windows.form5 = std::make_unique<TForm5>(&form1);
	windows.form5->FormCreate();
	form1.SetForm5(windows.form5.get());

	windows.form6 = std::make_unique<TForm6>(&form1);
	windows.form6->FormCreate();

	windows.aboutbox = std::make_unique<TAboutbox>(&form1);
	windows.aboutbox->FormCreate();
	form1.SetAboutbox(windows.aboutbox.get());

	windows.braille_focus = std::make_unique<BrailleFocus>(&form1, form1.printmemo, windows.form6.get());
}

// Beside a screen reader the device voices its own screen and keys, and
// what is typed into its data-entry field.
void ServeScreenReader(ShellApplication &app, TForm1 &form1, TForm2 &form2)
{
	app.servesReader = [] { return ServesScreenReader(); };
	app.deviceOwns = [&form1](const QKeyEvent &key) { return form1.DeviceOwnsKey(key); };
	FilterAccessibilityEvents({form1.printmemo, form2.inputedit}, [] { return ServesScreenReader(); });
}

// The main window shown and the message loop until the shell ends. The
// voices are listed once the window is up; whatever needs them sooner lists
// them itself.
int Run(ShellApplication &app, Windows &windows)
{
	windows.form1->show();
	TForm4 *form4 = windows.form4.get();
	QTimer::singleShot(kVoiceListDelay_ms, form4,
	                   [form4] { RunHandler([form4] { form4->FillPendingVoiceList(); }); });
	return app.exec();
}

// What refers to the windows is let go before them; the speech threads end
// before the application they post to.
void ShutDown(ShellApplication &app)
{
	FilterAccessibilityEvents({}, {});
	app.ResetKeyGate();
	FinishOrcaCare();
	brailleOutput().Attach(nullptr);
	ShutDownSpeech();
}

} // namespace
} // namespace velira

int main(int argc, char *argv[])
{
	using namespace velira;
	// X11 where there is an X server (XWayland too), unless the user chose:
	// the keys, the held-key query and the braille display are proven there.
	if (!ApplyWindowSystemChoice(ChooseWindowSystem(ProbeWindowSystem(argc, argv))))
		return 1;
	// Before the application starts its threads: it sets an environment
	// variable for a moment.
	OpenAlDevice::PrepareShortBuffer();
	ShellApplication app(argc, argv);
	NameTheApplication();
	ResetStateForThisStart();
	PlatformServices services_of_run([&app](std::function<void()> message) {
		QMetaObject::invokeMethod(&app, std::move(message), Qt::QueuedConnection);
	});
	ConnectServices(services_of_run);
	Windows windows;
	CreateWindows(windows);
	ServeScreenReader(app, *windows.form1, *windows.form2);
	const int exit_code = Run(app, windows);
	ShutDown(app);
	return exit_code;
}
