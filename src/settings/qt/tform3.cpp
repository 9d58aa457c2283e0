#include "settings/qt/tform3.h"
#include "settings/qt/captions.h"

#include "platform/qt/qt_text.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velira
{

int LanguageIndexForBase(int base, int language_count)
{
	int index = base / 1000 - 1;
	if (index < -1)
		index = -1;
	if (index > language_count - 1)
		index = language_count - 1;
	return index;
}

TForm3::TForm3(QWidget *parent) : QDialog(parent)
{
	setObjectName(QStringLiteral("TForm3"));
	setModal(true);

	languagergroup = new QGroupBox(this);
	languagergroup->setObjectName(QStringLiteral("languagergroup"));
	new QVBoxLayout(languagergroup);
	group_ = new QButtonGroup(this);
	group_->setExclusive(true);
	connect(group_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
		if (checked)
			languagergroupClick();
	});

	okbitbtn = new QPushButton(this);
	okbitbtn->setObjectName(QStringLiteral("okbitbtn"));
	okbitbtn->setDefault(true);
	connect(okbitbtn, &QPushButton::clicked, this, &QDialog::accept);
	cancelbitbtn = new QPushButton(this);
	cancelbitbtn->setObjectName(QStringLiteral("cancelbitbtn"));
	connect(cancelbitbtn, &QPushButton::clicked, this, &QDialog::reject);

	auto *buttons = new QHBoxLayout;
	buttons->addStretch(1);
	buttons->addWidget(okbitbtn);
	buttons->addWidget(cancelbitbtn);
	auto *outer = new QVBoxLayout(this);
	outer->addWidget(languagergroup);
	outer->addLayout(buttons);
}

void TForm3::FillLanguages()
{
	TResourceLocalizer::ListLanguages(languages_);
	for (QRadioButton *entry : entries_) {
		group_->removeButton(entry);
		delete entry;
	}
	entries_.clear();
	for (size_t i = 0; i < languages_.size(); ++i) {
		auto *entry = new QRadioButton(FromCp1250(languages_[i].first), languagergroup);
		entry->setObjectName(QStringLiteral("language%1").arg(languages_[i].second));
		entry->setAccessibleName(entry->text());
		languagergroup->layout()->addWidget(entry);
		group_->addButton(entry, static_cast<int>(i));
		entries_.push_back(entry);
	}
	// Arrow keys move within the group; Tab leaves it for OK and Cancel.
	if (!entries_.empty())
		setTabOrder(entries_.back(), okbitbtn);
	setTabOrder(okbitbtn, cancelbitbtn);
}

void TForm3::SetCaptions()
{
	setWindowTitle(LocalizedCaption(kTextEnvironmentCaption));
	languagergroup->setTitle(LocalizedCaption(kTextLanguageLabel));
	languagergroup->setAccessibleName(SpokenCaption(languagergroup->title()));
	okbitbtn->setText(LocalizedCaption(kTextOk));
	okbitbtn->setAccessibleName(SpokenCaption(okbitbtn->text()));
	cancelbitbtn->setText(LocalizedCaption(kTextCancel));
	cancelbitbtn->setAccessibleName(SpokenCaption(cancelbitbtn->text()));
}

void TForm3::FormCreate()
{
	FillLanguages();
	SelectLanguageIndex(0);
	LoadLanguageSetting();
	SetCaptions();
}

void TForm3::languagergroupClick()
{
	const int index = SelectedLanguageIndex();
	if (index < 0)
		return;
	languageBase = languages_[static_cast<size_t>(index)].second;
	SetCaptions();
}

int TForm3::SelectedLanguageIndex() const
{
	return group_->checkedId();
}

void TForm3::SelectLanguageIndex(int index)
{
	if (index == SelectedLanguageIndex())
		return;
	if (index < 0 || index >= LanguageCount()) {
		// An exclusive group keeps one entry checked; no entry needs it off
		// for a moment.
		group_->setExclusive(false);
		for (QRadioButton *entry : entries_)
			entry->setChecked(false);
		group_->setExclusive(true);
		return;
	}
	// Checking the entry runs languagergroupClick through the group.
	entries_[static_cast<size_t>(index)]->setChecked(true);
}

void TForm3::FocusLanguages()
{
	const int index = SelectedLanguageIndex();
	if (!entries_.empty())
		entries_[static_cast<size_t>(index < 0 ? 0 : index)]->setFocus();
}

} // namespace velira
