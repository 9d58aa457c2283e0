#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velira
{

// The screen review window: a frozen copy of the screen in a read-only text
// area whose caret the user walks with the cursor keys.
class TForm6 : public QDialog
{
	Q_OBJECT

public:
	explicit TForm6(QWidget *parent = nullptr);

	// Sets the localized captions; once, when the window is created.
	void FormCreate();

	QPlainTextEdit *virtualscrmemo = nullptr;
	QPushButton *closebitbtn = nullptr;

	// The caret as an index into the review text, where every line break
	// counts two characters.
	size_t CaretPosition() const;
	const std::string &ReviewTextShown() const { return review_text_; }

	// Fills the text area with `review_text` and puts the caret at 0.
	void SetReviewText(const std::string &review_text);

	void virtualscrmemoKeyDown(int virtual_key);
	void virtualscrmemoKeyUp(int virtual_key, bool ctrl);

protected:
	bool eventFilter(QObject *watched, QEvent *event) override;
	void closeEvent(QCloseEvent *event) override;

private:
	std::string review_text_;
};

// Opens the review over the main window's screen, unless the running program
// forbids it (1 at memory address 50730). The window must have been created.
void OpenScreenReview();

// The one review window of the process (created at start-up).
void SetReviewWindow(TForm6 *window);

} // namespace velira
