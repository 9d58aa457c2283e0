#pragma once

#include "settings/localized_texts.h"

#include <QButtonGroup>
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <vector>

namespace velira
{

// The environment dialog: the user-interface language for the next start.
class TForm3 : public QDialog
{
	Q_OBJECT

public:
	explicit TForm3(QWidget *parent = nullptr);

	// Fills the language list and labels the dialog; runs once, when the
	// dialog is created after the main window.
	void FormCreate();

	// A language entry was selected, by the user or by the program: it
	// becomes the current language and the dialog relabels itself in it.
	void languagergroupClick();

	// Selects entry `index` (-1: none). The selection handler runs only when
	// the selection changes.
	void SelectLanguageIndex(int index);
	// The selected entry; -1 when none is.
	int SelectedLanguageIndex() const;
	int LanguageCount() const { return static_cast<int>(languages_.size()); }
	// Puts the focus on the selected entry, or the first when none is.
	void FocusLanguages();

	QGroupBox *languagergroup = nullptr;
	QPushButton *okbitbtn = nullptr;
	QPushButton *cancelbitbtn = nullptr;

private:
	void SetCaptions();
	void FillLanguages();

	LanguageList languages_;
	std::vector<QRadioButton *> entries_;
	QButtonGroup *group_ = nullptr;
};

// The entry that environmentsubmenuClick selects for a language base: by
// thousands, below the first entry none (-1), beyond the last the last.
int LanguageIndexForBase(int base, int language_count);

} // namespace velira
