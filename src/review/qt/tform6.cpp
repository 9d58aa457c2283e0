#include "review/qt/tform6.h"

#include "platform/qt/error_boundary.h"
#include "platform/qt/key_mapping.h"
#include "platform/qt/qt_text.h"
#include "platform/services.h"
#include "platform/virtual_keys.h"
#include "review/screen_review.h"
#include "runtime/qt/screen_view.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "speech/speech_output.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTextBlock>
#include <QVBoxLayout>

namespace velira
{

TForm6::TForm6(QWidget *parent) : QDialog(parent)
{
	setObjectName(QStringLiteral("TForm6"));
	setModal(true);
	resize(660, 480);

	// One screen line is one line of the text area, so line and column are
	// the screen's row and column plus one. The whole screen is seen at
	// every size, and the place after the last line break below it.
	virtualscrmemo = new ScreenView(kScreenRows + 1, this);
	virtualscrmemo->setObjectName(QStringLiteral("virtualscrmemo"));
	virtualscrmemo->setReadOnly(true);
	FollowColourScheme(virtualscrmemo);
	virtualscrmemo->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
	virtualscrmemo->setTabChangesFocus(true);
	virtualscrmemo->installEventFilter(this);

	closebitbtn = new QPushButton(this);
	closebitbtn->setObjectName(QStringLiteral("closebitbtn"));
	closebitbtn->setFocusPolicy(Qt::NoFocus);
	closebitbtn->setAutoDefault(false);
	connect(closebitbtn, &QPushButton::clicked, this, &QDialog::reject);

	auto *layout = new QVBoxLayout(this);
	layout->addWidget(virtualscrmemo, 1);
	layout->addWidget(closebitbtn, 0, Qt::AlignRight);
}

TForm6::~TForm6()
{
	if (services().reviewWindow == this)
		services().reviewWindow = nullptr;
}

void TForm6::FormCreate()
{
	services().reviewWindow = this;
	setWindowTitle(FromCp1250(LocalizedText(languageBase, kTextScreen)));
	closebitbtn->setText(FromCp1250(LocalizedText(languageBase, kTextClose)));
	virtualscrmemo->setAccessibleName(windowTitle());
	closebitbtn->setAccessibleName(closebitbtn->text().remove(QLatin1Char('&')));
}

void TForm6::FillReview(const std::string &review_text)
{
	// As large as the main window, so that the frozen screen is seen in the
	// same size.
	if (parentWidget() != nullptr && parentWidget()->isVisible())
		setGeometry(parentWidget()->geometry());
	virtualscrmemo->setFocus();
	SetReviewText(review_text);
}

void TForm6::SetReviewText(const std::string &review_text)
{
	review_text_ = review_text;
	QString shown = FromCp1250(review_text);
	shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
	virtualscrmemo->setPlainText(shown);
	QTextCursor cursor = virtualscrmemo->textCursor();
	cursor.setPosition(0);
	virtualscrmemo->setTextCursor(cursor);
}

size_t TForm6::CaretPosition() const
{
	const QTextCursor cursor = virtualscrmemo->textCursor();
	const QTextBlock caret_block = cursor.block();
	size_t position = 0;
	for (QTextBlock block = virtualscrmemo->document()->begin(); block.isValid() && block != caret_block;
	     block = block.next())
		position += static_cast<size_t>(block.length() - 1) + 2;
	return position + static_cast<size_t>(cursor.positionInBlock());
}

void TForm6::virtualscrmemoKeyDown(int virtual_key)
{
	RunHandler([&] {
		if (voiceReady) {
			// Every key cuts off what is being said.
			StopSpeech();
			if (virtual_key == vk::kF2)
				SpeakAndWait(ReviewPositionText(review_text_, CaretPosition()));
		}
	});
	// Escape closes the review also when speaking failed.
	if (virtual_key == vk::kEscape)
		reject();
}

void TForm6::virtualscrmemoKeyUp(int virtual_key, bool ctrl)
{
	if (!voiceReady)
		return;
	RunHandler([&] {
		const ReviewAnnouncement said =
		    AnnounceReviewKey(virtual_key, ctrl, review_text_, CaretPosition(),
		                      LocalizedText(languageBase, kTextEmptyLine));
		if (said.click)
			ClickSound(16);
		if (said.speech == ReviewAnnouncement::Speech::Text)
			SpeakAndWait(said.text);
		else if (said.speech == ReviewAnnouncement::Speech::Character)
			SpeakCharacter(said.text);
	});
}

bool TForm6::eventFilter(QObject *watched, QEvent *event)
{
	if (watched != virtualscrmemo)
		return QDialog::eventFilter(watched, event);
	if (event->type() == QEvent::KeyPress) {
		auto *key = static_cast<QKeyEvent *>(event);
		if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
			// The close button is the default button.
			closebitbtn->click();
			return true;
		}
		virtualscrmemoKeyDown(VirtualKeyOf(*key));
		return key->key() == Qt::Key_Escape;
	}
	if (event->type() == QEvent::KeyRelease) {
		auto *key = static_cast<QKeyEvent *>(event);
		// A held key repeats its presses; it is announced once, at its real
		// release.
		if (!key->isAutoRepeat())
			virtualscrmemoKeyUp(VirtualKeyOf(*key),
			                    key->modifiers().testFlag(Qt::ControlModifier));
		return false;
	}
	return QDialog::eventFilter(watched, event);
}

void TForm6::closeEvent(QCloseEvent *event)
{
	// The close box gives the same result as Escape and the button.
	event->accept();
	reject();
}

} // namespace velira
