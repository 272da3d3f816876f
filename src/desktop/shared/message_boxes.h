#pragma once
// The two kinds of message the program shows: a plain notice (one OK button) and a Yes/No
// question captioned "確認" (in the user's language), where only Yes goes on. Windows hold them as replaceable functions
// so that tests can answer without a modal loop. A text's "\r\n" line breaks are shown as plain
// lines.

#include <QString>
#include <QWidget>

#include <functional>

namespace kalidor {

using NoticeFn = std::function<void(QWidget* parent, const QString& text)>;
using QuestionFn = std::function<bool(QWidget* parent, const QString& text)>;

void ShowNotice(QWidget* parent, const QString& text);
bool AskQuestion(QWidget* parent, const QString& text);
// The question before unsaved work is thrown away: No, which keeps it, is the default button.
bool AskToDiscard(QWidget* parent, const QString& text);
// A question whose default button is Yes.
bool AskQuestionYesFirst(QWidget* parent, const QString& text);

// The start's question about unsaved edits a recovery copy kept: restore them (the default),
// throw them away (only when that button is pressed), or decide later (Esc, the close box, or a
// box that ended with no button).
enum class RecoveryAnswer { Restore, Discard, Later };
using RecoveryQuestionFn = std::function<RecoveryAnswer(QWidget* parent, const QString& text)>;
RecoveryAnswer AskToRestore(QWidget* parent, const QString& text);
// Its buttons' texts, for the question's own text to name them.
inline constexpr const char* kRestoreButton = QT_TRANSLATE_NOOP("Messages", "復元する");
inline constexpr const char* kDiscardButton = QT_TRANSLATE_NOOP("Messages", "破棄する");
inline constexpr const char* kLaterButton = QT_TRANSLATE_NOOP("Messages", "あとで");

}  // namespace kalidor
