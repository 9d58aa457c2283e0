#include "settings/shared_settings.h"
#include "shell/qt/tform1.h"

// The main window's part in reading the settings file: its check marks and
// status bar.
namespace velira
{

namespace
{

class MainWindowSettingsMenu final : public SettingsMenu
{
public:
	explicit MainWindowSettingsMenu(TForm1 &form) : form_(form) {}
	void SetUseSapi5Checked(bool checked) override { form_.usesapi5submenu->setChecked(checked); }
	void SetBrailleKeyboardChecked(bool checked) override
	{
		form_.braillekeyboarditem->setChecked(checked);
	}
	void SetAutoChangeChecked(bool checked) override { form_.autochangeitem->setChecked(checked); }
	void RefreshStatusBar() override { form_.updatestatusbar(); }

private:
	TForm1 &form_;
};

} // namespace

void TForm1::LoadSettings()
{
	MainWindowSettingsMenu menu(*this);
	velira::LoadSettings(menu);
}

} // namespace velira
