#pragma once

#include "review/screen_review.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velira
{

// The screen review window: a frozen copy of the screen in a read-only text
// area whose caret the user walks with the cursor keys. It is the review
// window that OpenScreenReview shows from its creation (FormCreate) to its
// end.
class TForm6 : public QDialog, public ReviewWindow
{
	Q_OBJECT

public:
	explicit TForm6(QWidget *parent = nullptr);
	~TForm6() override;

	// Sets the localized captions and connects the window; once, when it is
	// created.
	void FormCreate();

	void FillReview(const std::string &review_text) override;
	void ShowReview() override { exec(); }

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

} // namespace velira
