#include "screen_reader/adapters/orca_layer.h"

#include "screen_reader/orca.h"

#include <gio/gio.h>

namespace velira
{

namespace
{

GSettingsSchema *TypingEchoSchema()
{
	GSettingsSchemaSource *source = g_settings_schema_source_get_default();
	if (source == nullptr)
		return nullptr;
	return g_settings_schema_source_lookup(source, std::string(kOrcaTypingEchoSchema).c_str(), TRUE);
}

// Calls `change` with the settings object of each layer and each of the
// shell's keys that the installed schema has (GIO ends the process on a key
// it does not know), then waits until dconf has what it changed.
template <typename Change> void ForEachLayerKey(const std::vector<std::string> &paths, Change change)
{
	GSettingsSchema *schema = TypingEchoSchema();
	if (schema == nullptr)
		return;
	for (const std::string &path : paths) {
		GSettings *layer = g_settings_new_full(schema, nullptr, path.c_str());
		for (const OrcaQuietSetting &setting : kOrcaQuietSettings) {
			const std::string key(setting.layer_key);
			if (g_settings_schema_has_key(schema, key.c_str()))
				change(layer, key.c_str());
		}
		g_object_unref(layer);
	}
	g_settings_schema_unref(schema);
	g_settings_sync();
}

} // namespace

bool OrcaLayerSchemaInstalled()
{
	GSettingsSchema *schema = TypingEchoSchema();
	if (schema == nullptr)
		return false;
	g_settings_schema_unref(schema);
	return true;
}

bool SetOrcaQuietLayers(const std::vector<std::string> &paths)
{
	bool set = false;
	ForEachLayerKey(paths, [&set](GSettings *layer, const char *key) {
		GVariant *value = g_settings_get_user_value(layer, key);
		if (value != nullptr) {
			g_variant_unref(value);
			return;
		}
		set = g_settings_set_boolean(layer, key, FALSE) || set;
	});
	return set;
}

void ClearOrcaQuietLayers(const std::vector<std::string> &paths)
{
	ForEachLayerKey(paths, [](GSettings *layer, const char *key) {
		GVariant *value = g_settings_get_user_value(layer, key);
		if (value == nullptr)
			return;
		const bool off =
		    g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && !g_variant_get_boolean(value);
		g_variant_unref(value);
		if (off)
			g_settings_reset(layer, key);
	});
}

} // namespace velira
