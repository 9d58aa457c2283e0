#pragma once

#include "screen_reader/presence.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velira
{

// An Orca of this user, as its process shows it.
struct OrcaProcess {
	std::vector<std::string> arguments; // its command line
	std::string data_home;              // its environment's XDG_DATA_HOME
	std::string home;                   // its environment's HOME
	// The major version of the Orca installed where it runs from; empty
	// when its files could not be read.
	std::optional<int> major_version;
};

// How the shell keeps an Orca from echoing the device's keys in its own
// windows, by where that Orca takes its keys and keeps its settings:
//   - up to 45 Orca takes the keys from the program, through the
//     accessibility registry: the key gate keeps them, and nothing is set
//     in Orca;
//   - 46 to 48 take them at the display server and read a file of settings
//     for each application (app-settings/NAME.conf in their folder) when
//     they enter its window;
//   - from 49 on the settings are GSettings, with a layer for each
//     application that Orca reads as it changes.
enum class OrcaCare { kKeyGate, kAppSettingsFile, kAppSettingsLayer };

// `layer_schema_installed`: the GSettings schema of Orca's typing echo is
// installed. An Orca whose version could not be read is taken by where its
// settings are: the layer when the schema is there, else the file, which
// is harmless to an older Orca.
OrcaCare ChooseOrcaCare(std::optional<int> major_version, bool layer_schema_installed);

// The shell's settings for its windows, the same in every Orca: key echo,
// and echo by character, word and sentence, all off. Orca's own commands,
// its presentation of the dialogs and its flat review stay as the user has
// them.
struct OrcaQuietSetting {
	std::string_view file_key;  // in the app-settings file's "general"
	std::string_view layer_key; // in the typing-echo layer
};
constexpr std::array<OrcaQuietSetting, 4> kOrcaQuietSettings = {{
    {"enableKeyEcho", "key-echo"},
    {"enableEchoByCharacter", "character-echo"},
    {"enableEchoByWord", "word-echo"},
    {"enableEchoBySentence", "sentence-echo"},
}};
// The GSettings schema of the layer's keys.
constexpr std::string_view kOrcaTypingEchoSchema = "org.gnome.Orca.TypingEcho";

// Whether a process is an Orca: by its name, its command, or the script its
// interpreter runs.
bool IsOrcaProgram(const ListeningProgram &program);

// Orca's folder of settings: the one given with -u / --user-prefs, else
// orca/ in its XDG_DATA_HOME, else in HOME's .local/share; empty when none
// is known. Orca renames its process, which may overwrite its command line
// and its environment as /proc shows them: the caller then takes the
// session's own (the same user's).
std::string OrcaSettingsFolder(const OrcaProcess &orca);

// The profiles whose settings the shell sets: "default", and the one Orca
// was started with (-p / --profile), where that is another.
std::vector<std::string> OrcaProfiles(const OrcaProcess &orca);

// A name as Orca writes it into a GSettings path: lower case, every other
// character than a-z, 0-9 and '-' a '-', no two '-' in a row, none at
// either end.
std::string OrcaPathName(std::string_view name);

// The path of the typing-echo layer of application `application` in
// profile `profile`.
std::string OrcaLayerPath(std::string_view profile, std::string_view application);

// The major version in the text of Orca's orca_platform.py
// (version = "48.1"); empty when there is none.
std::optional<int> ParseOrcaVersion(std::string_view platform_file);

// Where the orca_platform.py of the Orca run by `arguments` may lie: beside
// the Python packages of the prefix its launcher is in (/usr/bin/orca:
// /usr/lib/python3/dist-packages/orca/), the packaged Orca's when the
// command line names no launcher.
std::vector<std::string> OrcaPlatformFiles(const std::vector<std::string> &arguments);

// The Orcas of user `uid` among the processes under `proc_root` (/proc),
// each with its environment and version read.
std::vector<OrcaProcess> FindOrcaProcesses(const std::string &proc_root, unsigned uid);

} // namespace velira
