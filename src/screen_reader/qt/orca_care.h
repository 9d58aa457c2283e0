#pragma once

#include <QByteArray>

#include <optional>
#include <string>
#include <vector>

namespace velira
{

// The shell's care of Orca's echo in its own windows. While the shell serves
// a screen reader (its [voice] screenreader is not never) and the user keeps
// [voice] quietorca, every Orca of the user that takes the keys at the
// display server (46 and later) gets the shell's quiet settings for the
// shell's application alone, where Orca keeps a user's settings for one
// application; otherwise the shell takes them out again. Orca 45 and older
// need nothing: the key gate keeps the device's keys from them.
//
// Looks for the user's Orcas and sets or clears the settings. The files of
// Orca 46 to 48 are written at once; the GSettings layers of Orca 49 and
// later on a worker thread, in order. When something is set and the user
// has not been told yet, the notice is said once the screen reader's
// presence is known (the first start's voice chosen by then).
void CareForOrca();

// The Settings menu's item: keeps Orca's echo in the shell's windows, or
// the shell's quiet settings again; saved and said.
void OrcaEchoCommand();

// Where CareForOrca looks for the user's Orcas: /proc, or a test's own
// process table.
void SetOrcaProcessTable(const std::string &root);

// Waits a little for the layer writes still under way: at the end of the
// shell.
void FinishOrcaCare();

// The text of an app-settings file (Orca 46 to 48) with the shell's quiet
// settings in each of `profiles` that does not set them; empty when it
// stays as it is or cannot be read as Orca's JSON (it is then left alone).
std::optional<QByteArray> WithQuietEcho(const QByteArray &file, const std::vector<std::string> &profiles);
// The same file without them: each quiet setting that is off goes, and so
// does what that leaves empty. An empty text: nothing is left, the file
// goes. Empty optional: it stays as it is.
std::optional<QByteArray> WithoutQuietEcho(const QByteArray &file);

} // namespace velira
