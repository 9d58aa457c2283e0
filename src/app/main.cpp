// The process entry: the platform services, the runtime's start-up, the
// windows in their order, and the message loop.
#include "platform/qt/qt_platform.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "runtime/velcommands.h"
#include "settings/qt/taboutbox.h"
#include "settings/settings_file.h"
#include "shell/qt/termination_signals.h"
#include "shell/qt/tform1.h"
#include "sound/adapters/openal_mixer.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
	QApplication app(argc, argv);
	using namespace velira;

	const QFileInfo executable(QCoreApplication::applicationFilePath());
	QCoreApplication::setApplicationName(executable.completeBaseName());
	SetSettingsFilePath((executable.absolutePath() + QLatin1Char('/') + executable.completeBaseName() +
	                     QStringLiteral(".ini"))
	                        .toStdString());

	QtMessagePump pump;
	SystemClock clock;
	SystemRandom random;
	QtKeyState keys;
	QtDesktop desktop;
	OpenAlMixer mixer;
	Services &platform = services();
	platform.pump = &pump;
	platform.clock = &clock;
	platform.random = &random;
	platform.keys = &keys;
	platform.desktop = &desktop;
	platform.mixer = &mixer;

	RuntimeStartup();

	TForm1 form1;
	platform.timer = form1.Timer;
	InstallTerminationSignals(&form1);
	form1.FormCreate();

	TAboutbox aboutbox(&form1);
	aboutbox.FormCreate();
	form1.SetAboutbox(&aboutbox);

	form1.show();
	return app.exec();
}
