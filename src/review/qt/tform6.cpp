#include "review/qt/tform6.h"

#include "platform/qt/qt_text.h"
#include "review/screen_review.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "speech/speech_output.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTextBlock>
#include <QVBoxLayout>

namespace velira
{

namespace
{

TForm6 *g_review_window = nullptr;

// Opening and closing sound: two notes together, instrument 5.
void ReviewChord()
{
	SoundStatement({300, 450}, 100, 5);
}

// The Windows virtual key of the review keys; 0 for the others.
int VirtualKeyOf(const QKeyEvent &event)
{
	using namespace review_keys;
	switch (event.key()) {
	case Qt::Key_Up:
		return kUp;
	case Qt::Key_Down:
		return kDown;
	case Qt::Key_Left:
		return kLeft;
	case Qt::Key_Right:
		return kRight;
	case Qt::Key_Home:
		return kHome;
	case Qt::Key_End:
		return kEnd;
	case Qt::Key_Escape:
		return kEscape;
	case Qt::Key_F2:
		return kF2;
	default:
		return 0;
	}
}

} // namespace

TForm6::TForm6(QWidget *parent) : QDialog(parent)
{
	setObjectName(QStringLiteral("TForm6"));
	setModal(true);
	resize(660, 480);

	virtualscrmemo = new QPlainTextEdit(this);
	virtualscrmemo->setObjectName(QStringLiteral("virtualscrmemo"));
	virtualscrmemo->setReadOnly(true);
	// One screen line is one line of the text area, so line and column are
	// the screen's row and column plus one.
	virtualscrmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
	virtualscrmemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
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

void TForm6::FormCreate()
{
	setWindowTitle(FromCp1250(LocalizedText(languageBase, 26)));
	closebitbtn->setText(FromCp1250(LocalizedText(languageBase, 17)));
	virtualscrmemo->setAccessibleName(windowTitle());
	closebitbtn->setAccessibleName(closebitbtn->text().remove(QLatin1Char('&')));
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
	if (voiceReady) {
		// Every key cuts off what is being said.
		StopSpeech();
		if (virtual_key == review_keys::kF2)
			SpeakAndWait(ReviewPositionText(review_text_, CaretPosition()));
	}
	if (virtual_key == review_keys::kEscape)
		reject();
}

void TForm6::virtualscrmemoKeyUp(int virtual_key, bool ctrl)
{
	if (!voiceReady)
		return;
	const ReviewAnnouncement said = AnnounceReviewKey(virtual_key, ctrl, review_text_, CaretPosition(),
	                                                  LocalizedText(languageBase, 29));
	if (said.click)
		ClickSound(16);
	if (said.speech == ReviewAnnouncement::Speech::Text)
		SpeakAndWait(said.text);
	else if (said.speech == ReviewAnnouncement::Speech::Character)
		SpeakCharacter(said.text);
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

void SetReviewWindow(TForm6 *window)
{
	g_review_window = window;
}

void OpenScreenReview()
{
	if (g_review_window == nullptr)
		return;
	if (PeekByte(kReviewGuardAddress) == 1)
		return;
	keyBuffer.clear();
	TForm6 &window = *g_review_window;
	window.virtualscrmemo->setFocus();
	window.SetReviewText(ReviewText(screenBuffer().lines()));
	ReviewChord();
	SpeakAsync(LocalizedText(languageBase, 26));
	window.exec();
	ReviewChord();
	SpeakAndWait(LocalizedText(languageBase, 30));
}

} // namespace velira
