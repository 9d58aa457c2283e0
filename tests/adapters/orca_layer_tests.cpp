// Orca's per-application GSettings layer over the real GIO, on its memory
// backend, with a schema of the test's own that lacks one of the shell's
// keys (an Orca whose schema has fewer keys must not end the shell).
#include "fakes/fake_platform.h"
#include "screen_reader/adapters/orca_layer.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace velira
{
namespace
{

constexpr const char *kSchema = R"(<schemalist>
  <schema id="org.gnome.Orca.TypingEcho">
    <key name="key-echo" type="b"><default>true</default></key>
    <key name="character-echo" type="b"><default>false</default></key>
    <key name="word-echo" type="b"><default>false</default></key>
  </schema>
</schemalist>
)";

const char *const kLayer = "/org/gnome/orca/default/apps/velira/typing-echo/";

// The value the user's database holds for `key`, as GVariant text; empty
// when it holds none.
std::string UserValue(const char *key)
{
	GSettings *layer = g_settings_new_with_path("org.gnome.Orca.TypingEcho", kLayer);
	GVariant *value = g_settings_get_user_value(layer, key);
	std::string text;
	if (value != nullptr) {
		gchar *printed = g_variant_print(value, FALSE);
		text = printed;
		g_free(printed);
		g_variant_unref(value);
	}
	g_object_unref(layer);
	return text;
}

TEST(OrcaLayerTest, TheShellsKeysAreSetBesideTheUsersAndTakenOutAlone)
{
	testing::ScratchFolder folder;
	testing::WriteFile(folder.path() + "/orca.gschema.xml", kSchema);
	ASSERT_EQ(std::system(("glib-compile-schemas " + folder.path()).c_str()), 0);
	// Before GIO reads its schemas or picks its backend: once, per process.
	setenv("GSETTINGS_SCHEMA_DIR", folder.path().c_str(), 1);
	setenv("GSETTINGS_BACKEND", "memory", 1);
	ASSERT_TRUE(OrcaLayerSchemaInstalled());

	// The user's own key echo in this layer stands.
	GSettings *layer = g_settings_new_with_path("org.gnome.Orca.TypingEcho", kLayer);
	g_settings_set_boolean(layer, "key-echo", TRUE);
	g_object_unref(layer);

	EXPECT_TRUE(SetOrcaQuietLayers({kLayer}));
	EXPECT_EQ(UserValue("key-echo"), "true");
	EXPECT_EQ(UserValue("character-echo"), "false");
	EXPECT_EQ(UserValue("word-echo"), "false");
	EXPECT_FALSE(SetOrcaQuietLayers({kLayer})) << "set once";

	ClearOrcaQuietLayers({kLayer});
	EXPECT_EQ(UserValue("key-echo"), "true");
	EXPECT_EQ(UserValue("character-echo"), "");
	EXPECT_EQ(UserValue("word-echo"), "");
}

} // namespace
} // namespace velira
