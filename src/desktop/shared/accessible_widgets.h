#pragma once
// What a screen reader is told about the widgets whose own description falls short: a role
// other than their class gives (a storyboard panel is an item of a list, a page button a page
// tab, the clock of a panel a button), the selected state, a press action that does what Space
// does, a key listed with the press, and combo boxes named by their labels (Qt names a combo box
// by its current item on Linux, which reads "04" for the display-time box). Each call sets what
// it says before the widget is first described, so set the role first, then the name.

#include <QAccessible>
#include <QString>

class QKeySequence;
class QLabel;
class QWidget;

namespace kalidor {

// The description of every widget asked about from now on; called by the functions below and by
// the image buttons, and once at start-up. Idempotent.
void InstallAccessibleWidgets();

// Tells screen readers that `widget` is a `role`.
void SpeakAs(QWidget* widget, QAccessible::Role role);
// Selectable, and selected or not; a change is announced.
void SpeakSelected(QWidget* widget, bool selected);
// A press action that does what Space on the widget does.
void SpeakPressable(QWidget* widget);
// The key that presses it, beside its press action (an image button: what its tooltip lists).
void SpeakShortcut(QWidget* widget, const QKeySequence& key);
// Named by the label a sighted user reads beside it, which becomes its buddy (the labelled-by
// relation). The label's text, not a translation of its own.
void NameByLabel(QWidget* control, QLabel* label);

// One line for each line of a text: "\r\n" (Windows' line breaks, which some messages carry) is
// read by screen readers as characters.
QString PlainLines(QString text);

}  // namespace kalidor
