#include "desktop/shared/accessible_widgets.h"

#include "desktop/shared/png_button.h"

#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>

namespace kalidor {
namespace {

// What the widget says it is, carried by the widget itself.
constexpr const char* kRoleProperty = "accessibleRole";
constexpr const char* kSelectedProperty = "accessibleSelected";
constexpr const char* kPressableProperty = "accessiblePressable";
constexpr const char* kShortcutProperty = "accessibleShortcut";

// A widget described by its properties; an image button is a push button named by its caption
// when it has no name, and pressed as by a click.
class SpokenWidget : public QAccessibleWidget {
public:
    SpokenWidget(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QString text(QAccessible::Text kind) const override {
        const QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty())
            if (auto* button = qobject_cast<TPNGButton*>(widget())) return button->caption();
        return text;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (const QVariant selected = widget()->property(kSelectedProperty); selected.isValid()) {
            state.selectable = true;
            state.selected = selected.toBool();
        }
        return state;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (pressable()) names << pressAction();
        return names;
    }
    void doAction(const QString& action) override {
        if (action != pressAction() || !pressable()) return QAccessibleWidget::doAction(action);
        // Once the bus has its answer: a press that opens a dialog would hold the screen reader
        // until the dialog closes.
        if (auto* button = qobject_cast<TPNGButton*>(widget()))
            return void(QMetaObject::invokeMethod(button, &TPNGButton::click, Qt::QueuedConnection));
        // As Space presses it.
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(widget(), new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        const QString key = widget()->property(kShortcutProperty).toString();
        if (action == pressAction() && !key.isEmpty()) return {key};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    bool pressable() const {
        return qobject_cast<TPNGButton*>(widget()) || widget()->property(kPressableProperty).toBool();
    }
};

// A combo box as Qt describes it, but named by its label where it has one; its value is the
// item shown.
class LabelledComboBox : public QAccessibleWidget {
public:
    explicit LabelledComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override {
        const bool named = !widget()->accessibleName().isEmpty();
        if ((kind == QAccessible::Value || (kind == QAccessible::Name && !named)) && !box()->currentText().isEmpty())
            return box()->currentText();
        return QAccessibleWidget::text(kind);
    }
    // Its one child is the list it drops down.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == box()->view() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction() << pressAction();
    }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) return QAccessibleWidget::doAction(action);
        if (box()->view()->isVisible()) box()->hidePopup();
        else box()->showPopup();
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* describe(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    // Owned by Qt's accessibility cache, which deletes it with the widget.
    const QVariant role = widget->property(kRoleProperty);
    if (role.isValid()) return new SpokenWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
    if (qobject_cast<TPNGButton*>(widget)) return new SpokenWidget(widget, QAccessible::Button);
    if (auto* box = qobject_cast<QComboBox*>(widget); box && !box->isEditable()) return new LabelledComboBox(box);
    return nullptr;
}

}  // namespace

void InstallAccessibleWidgets() {
    static const bool installed = (QAccessible::installFactory(describe), true);
    (void)installed;
}

void SpeakAs(QWidget* widget, QAccessible::Role role) {
    InstallAccessibleWidgets();
    widget->setProperty(kRoleProperty, static_cast<int>(role));
}

void SpeakSelected(QWidget* widget, bool selected) {
    const QVariant before = widget->property(kSelectedProperty);
    if (before.isValid() && before.toBool() == selected) return;
    widget->setProperty(kSelectedProperty, selected);
    if (before.isValid() && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(widget, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void SpeakPressable(QWidget* widget) { widget->setProperty(kPressableProperty, true); }

void SpeakShortcut(QWidget* widget, const QKeySequence& key) {
    widget->setProperty(kShortcutProperty, key.toString(QKeySequence::NativeText));
}

void NameByLabel(QWidget* control, QLabel* label) {
    InstallAccessibleWidgets();
    label->setBuddy(control);
    control->setAccessibleName(label->text());
}

QString PlainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace kalidor
