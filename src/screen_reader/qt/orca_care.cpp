#include "screen_reader/qt/orca_care.h"

#include "platform/qt/qt_text.h"
#include "screen_reader/adapters/orca_layer.h"
#include "screen_reader/orca.h"
#include "screen_reader/qt/accessibility_events.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QThreadPool>

#include <array>

#include <unistd.h>

namespace velira
{

namespace
{

// Whether the user is to be told what the shell set in Orca.
bool noticeDue = false;
// An Orca 49 or later runs: it presents a program's message through its
// remote-control service.
bool orcaServiceRuns = false;
std::string processTable = "/proc";

QThreadPool &LayerWrites()
{
	// One thread: the writes land in the order they were asked for.
	static QThreadPool *pool = [] {
		auto *writes = new QThreadPool;
		writes->setMaxThreadCount(1);
		return writes;
	}();
	return *pool;
}

std::string ApplicationName()
{
	return QCoreApplication::applicationName().toStdString();
}

QString AppSettingsFile(const OrcaProcess &orca)
{
	const std::string folder = OrcaSettingsFolder(orca);
	if (folder.empty())
		return {};
	return QString::fromStdString(folder) + QStringLiteral("/app-settings/") +
	       QString::fromStdString(ApplicationName()) + QStringLiteral(".conf");
}

QByteArray ReadFile(const QString &path)
{
	QFile file(path);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes the whole file at once, or removes it for an empty text.
void ReplaceFile(const QString &path, const QByteArray &text)
{
	if (text.isEmpty()) {
		QFile::remove(path);
		return;
	}
	QDir().mkpath(QFileInfo(path).absolutePath());
	QSaveFile file(path);
	if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
		file.commit();
}

std::vector<std::string> LayerPaths(const OrcaProcess &orca)
{
	std::vector<std::string> paths;
	for (const std::string &profile : OrcaProfiles(orca))
		paths.push_back(OrcaLayerPath(profile, ApplicationName()));
	return paths;
}

// Sets or clears the shell's settings in one Orca; returns whether they are
// set there (or being set) now.
bool CareFor(const OrcaProcess &orca, bool quiet, bool layer_schema_installed)
{
	switch (ChooseOrcaCare(orca.major_version, layer_schema_installed)) {
	case OrcaCare::kKeyGate:
		return false;
	case OrcaCare::kAppSettingsFile: {
		const QString path = AppSettingsFile(orca);
		if (path.isEmpty())
			return false;
		const QByteArray old_text = ReadFile(path);
		const auto new_text =
		    quiet ? WithQuietEcho(old_text, OrcaProfiles(orca)) : WithoutQuietEcho(old_text);
		if (new_text)
			ReplaceFile(path, *new_text);
		return quiet;
	}
	case OrcaCare::kAppSettingsLayer: {
		const std::vector<std::string> paths = LayerPaths(orca);
		LayerWrites().start([paths, quiet] {
			if (quiet)
				SetOrcaQuietLayers(paths);
			else
				ClearOrcaQuietLayers(paths);
		});
		return quiet;
	}
	}
	return false;
}

// Where a screen reader can present the shell's message (in speech and on
// its braille display) it does, else the shell says it: never both.
void AnnounceOrSay(const std::string &message)
{
	if (!AnnounceToScreenReader(FromCp1250(message)))
		SpeakAsync(message);
}

// Orca 49 and later present it through their service's PresentMessage
// (org.gnome.Orca1.Service from 51, org.gnome.Orca.Service in 49 and 50),
// asked without waiting; a service that is not there or refuses passes it
// on to the next way.
void PresentThroughOrca(const std::string &message, size_t service = 0)
{
	struct Service {
		const char *name;
		const char *path;
	};
	static constexpr std::array<Service, 2> kServices = {{
	    {"org.gnome.Orca1.Service", "/org/gnome/Orca1/Service"},
	    {"org.gnome.Orca.Service", "/org/gnome/Orca/Service"},
	}};
	if (service >= kServices.size()) {
		AnnounceOrSay(message);
		return;
	}
	const Service &to = kServices[service];
	QDBusMessage call =
	    QDBusMessage::createMethodCall(QLatin1String(to.name), QLatin1String(to.path),
	                                   QLatin1String(to.name), QStringLiteral("PresentMessage"));
	call << FromCp1250(message);
	auto *answer = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, 5000));
	QObject::connect(answer, &QDBusPendingCallWatcher::finished,
	                 [message, service](QDBusPendingCallWatcher *done) {
		                 const QDBusPendingReply<bool> reply = *done;
		                 done->deleteLater();
		                 if (reply.isError() || !reply.value())
			                 PresentThroughOrca(message, service + 1);
	                 });
}

void SayNoticeWhenDue()
{
	if (!noticeDue || ScreenReaderPresenceNow() == ScreenReaderPresence::kUnknown)
		return;
	noticeDue = false;
	if (orcaNoticeGiven)
		return;
	orcaNoticeGiven = true;
	SaveOrcaSettings();
	// Orca presents it where it can, on the braille display too; said by
	// the shell otherwise, never both.
	const std::string notice = LocalizedText(languageBase, kTextOrcaQuietNotice);
	if (orcaServiceRuns)
		PresentThroughOrca(notice);
	else if (!AnnounceToScreenReader(FromCp1250(notice)))
		SpeakAndWait(notice);
}

QJsonObject Child(const QJsonObject &parent, const QString &key)
{
	return parent.value(key).toObject();
}

} // namespace

std::optional<QByteArray> WithQuietEcho(const QByteArray &file, const std::vector<std::string> &profiles)
{
	QJsonObject top;
	if (!file.trimmed().isEmpty()) {
		QJsonParseError error{};
		const QJsonDocument document = QJsonDocument::fromJson(file, &error);
		if (error.error != QJsonParseError::NoError || !document.isObject())
			return std::nullopt;
		top = document.object();
	}
	QJsonObject all_profiles = Child(top, QStringLiteral("profiles"));
	bool changed = false;
	for (const std::string &name : profiles) {
		const QString profile_name = QString::fromStdString(name);
		QJsonObject profile = Child(all_profiles, profile_name);
		QJsonObject general = Child(profile, QStringLiteral("general"));
		for (const OrcaQuietSetting &setting : kOrcaQuietSettings) {
			const QString key =
			    QString::fromUtf8(setting.file_key.data(), setting.file_key.size());
			if (general.contains(key))
				continue;
			general.insert(key, false);
			changed = true;
		}
		profile.insert(QStringLiteral("general"), general);
		all_profiles.insert(profile_name, profile);
	}
	if (!changed)
		return std::nullopt;
	top.insert(QStringLiteral("profiles"), all_profiles);
	return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

std::optional<QByteArray> WithoutQuietEcho(const QByteArray &file)
{
	QJsonParseError error{};
	const QJsonDocument document = QJsonDocument::fromJson(file, &error);
	if (error.error != QJsonParseError::NoError || !document.isObject())
		return std::nullopt;
	QJsonObject top = document.object();
	QJsonObject all_profiles = Child(top, QStringLiteral("profiles"));
	bool changed = false;
	for (const QString &profile_name : all_profiles.keys()) {
		QJsonObject profile = Child(all_profiles, profile_name);
		QJsonObject general = Child(profile, QStringLiteral("general"));
		for (const OrcaQuietSetting &setting : kOrcaQuietSettings) {
			const QString key =
			    QString::fromUtf8(setting.file_key.data(), setting.file_key.size());
			if (general.value(key) != QJsonValue(false))
				continue;
			general.remove(key);
			changed = true;
		}
		if (general.isEmpty())
			profile.remove(QStringLiteral("general"));
		else
			profile.insert(QStringLiteral("general"), general);
		if (profile.isEmpty())
			all_profiles.remove(profile_name);
		else
			all_profiles.insert(profile_name, profile);
	}
	if (!changed)
		return std::nullopt;
	if (all_profiles.isEmpty())
		top.remove(QStringLiteral("profiles"));
	else
		top.insert(QStringLiteral("profiles"), all_profiles);
	if (top.isEmpty())
		return QByteArray();
	return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

void CareForOrca()
{
	const bool quiet = quietOrca && screenReaderMode != ScreenReaderMode::kNever;
	const bool layer_schema_installed = OrcaLayerSchemaInstalled();
	bool set = false;
	for (OrcaProcess &orca : FindOrcaProcesses(processTable, getuid())) {
		// Orca's environment overwritten by its new process name: the same
		// user's session has the same folders.
		if (orca.data_home.empty() && orca.home.empty()) {
			orca.data_home = qEnvironmentVariable("XDG_DATA_HOME").toStdString();
			orca.home = QDir::homePath().toStdString();
		}
		set = CareFor(orca, quiet, layer_schema_installed) || set;
		orcaServiceRuns =
		    orcaServiceRuns ||
		    ChooseOrcaCare(orca.major_version, layer_schema_installed) == OrcaCare::kAppSettingsLayer;
	}
	if (set && !orcaNoticeGiven)
		noticeDue = true;
	SayNoticeWhenDue();
}

void OrcaEchoCommand()
{
	quietOrca = !quietOrca;
	// The user has found the item: the notice is not needed any more.
	orcaNoticeGiven = true;
	noticeDue = false;
	SaveOrcaSettings();
	CareForOrca();
	SpeakAndWait(LocalizedText(languageBase, quietOrca ? kTextOrcaEchoOff : kTextOrcaEchoOn));
}

void SetOrcaProcessTable(const std::string &root)
{
	processTable = root;
	noticeDue = false;
	orcaServiceRuns = false;
}

void FinishOrcaCare()
{
	LayerWrites().waitForDone(3000);
}

} // namespace velira
