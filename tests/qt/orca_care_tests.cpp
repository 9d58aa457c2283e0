// The shell's quiet settings in an Orca app-settings file (Orca 46 to 48):
// set beside what the user set there, and taken out again without touching
// it.
#include "screen_reader/qt/orca_care.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace velira
{
namespace
{

QJsonObject General(const QByteArray &file, const char *profile)
{
	const QJsonObject top = QJsonDocument::fromJson(file).object();
	return top.value("profiles").toObject().value(profile).toObject().value("general").toObject();
}

TEST(OrcaAppSettingsTest, SetInANewFileAndTakenOutWithIt)
{
	const auto quiet = WithQuietEcho(QByteArray(), {"default", "work"});
	ASSERT_TRUE(quiet.has_value());
	for (const char *profile : {"default", "work"}) {
		const QJsonObject general = General(*quiet, profile);
		EXPECT_EQ(general.size(), 4) << profile;
		for (const char *key :
		     {"enableKeyEcho", "enableEchoByCharacter", "enableEchoByWord", "enableEchoBySentence"})
			EXPECT_EQ(general.value(key), QJsonValue(false)) << profile << " " << key;
	}
	// Set once: a second time changes nothing.
	EXPECT_FALSE(WithQuietEcho(*quiet, {"default", "work"}).has_value());
	// Taken out, nothing of the shell's is left: the file goes.
	const auto loud = WithoutQuietEcho(*quiet);
	ASSERT_TRUE(loud.has_value());
	EXPECT_TRUE(loud->isEmpty());
}

TEST(OrcaAppSettingsTest, TheUsersOwnSettingsStay)
{
	const QByteArray users = R"({"profiles": {"default": {"general": {"enableKeyEcho": true, "rate": 70},
		"keybindings": {}, "pronunciations": {}}}, "other": 1})";
	const auto quiet = WithQuietEcho(users, {"default"});
	ASSERT_TRUE(quiet.has_value());
	QJsonObject general = General(*quiet, "default");
	// The user's own echo choice stands; the rest is the shell's.
	EXPECT_EQ(general.value("enableKeyEcho"), QJsonValue(true));
	EXPECT_EQ(general.value("enableEchoByWord"), QJsonValue(false));
	EXPECT_EQ(general.value("rate"), QJsonValue(70));

	const auto loud = WithoutQuietEcho(*quiet);
	ASSERT_TRUE(loud.has_value());
	EXPECT_EQ(QJsonDocument::fromJson(*loud), QJsonDocument::fromJson(users));

	// A file Orca could not read either is left as it is.
	EXPECT_FALSE(WithQuietEcho("{\"profiles\": ", {"default"}).has_value());
	EXPECT_FALSE(WithoutQuietEcho("[1, 2]").has_value());
	EXPECT_FALSE(WithoutQuietEcho(users).has_value());
}

} // namespace
} // namespace velira
