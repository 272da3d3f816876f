#include "desktop_rules/action_page.h"
#include "movie_test_support.h"
#include "desktop/shared/drag_formats.h"

#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>
#include <QtTest>

using kalidor::uitest::MovieHarness;

namespace {

QStringList listed(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

QStringList namesOf(const kalidor::TThActionObjectManager& catalogue, kalidor::rules::ActionTarget target) {
    QStringList names;
    for (const std::string& name : kalidor::rules::ActionNames(catalogue, target)) names << QString::fromStdString(name);
    return names;
}

// "PicAction/StrAction" of every picture, joined by blanks.
QString actionsOf(const kalidor::TThPicObjectManager& project) {
    QStringList all;
    for (int i = 0; i < project.Count(); ++i)
        all << QStringLiteral("%1/%2").arg(project.Items(i).PicAction).arg(project.Items(i).StrAction);
    return all.join(' ');
}

}  // namespace

class ActionPageTest : public QObject {
    Q_OBJECT
private slots:
    void listFollowsTheRadioButtons();
    void givingActions_data();
    void givingActions();
    void anEmptyListChangesNothing();
};

void ActionPageTest::listFollowsTheRadioButtons() {
    using kalidor::rules::ActionTarget;
    MovieHarness h;
    auto& w = h.window;
    QVERIFY(w.TabSheetSelectAction->RBPicture->isChecked());
    QCOMPARE(listed(w.TabSheetSelectAction->LBActionList), namesOf(*w.Actions, ActionTarget::Picture));
    QCOMPARE(w.TabSheetSelectAction->LBActionList->currentRow(), 0);
    const QImage pictureDescription = w.TabSheetSelectAction->ImgActionPreview->pixmap().toImage();
    QCOMPARE(pictureDescription.size(), QSize(394, 267));
    w.TabSheetSelectAction->LBActionList->setCurrentRow(2);
    QVERIFY(w.TabSheetSelectAction->ImgActionPreview->pixmap().toImage() != pictureDescription);

    w.TabSheetSelectAction->RBString->click();
    QCOMPARE(listed(w.TabSheetSelectAction->LBActionList), namesOf(*w.Actions, ActionTarget::Text));
    QCOMPARE(w.TabSheetSelectAction->LBActionList->currentRow(), 0);
    w.TabSheetSelectAction->RBPicture->click();
    QCOMPARE(w.TabSheetSelectAction->LBActionList->currentRow(), 0);
    QCOMPARE(w.TabSheetSelectAction->ImgActionPreview->pixmap().toImage(), pictureDescription);

    // The list drags the number of its entry in the catalogue.
    w.TabSheetSelectAction->LBActionList->setCurrentRow(1);
    const std::unique_ptr<QMimeData> drag(w.TabSheetSelectAction->LBActionList->model()->mimeData({w.TabSheetSelectAction->LBActionList->currentIndex()}));
    QCOMPARE(kalidor::DragSourceOf(drag.get()), kalidor::rules::DragSource::ActionList);
    const int number = kalidor::DraggedNumber(drag.get());
    QCOMPARE(QString::fromStdString(w.Actions->Items(number).Name), w.TabSheetSelectAction->LBActionList->currentItem()->text());
}

void ActionPageTest::givingActions_data() {
    QTest::addColumn<bool>("text");     // RBString checked
    QTest::addColumn<QString>("how");   // "add", "delete", "drop 2", "drop -1"
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("notices");
    // Before: pictures 0, 1 and 3 selected, every picture with actions 1/1; the list's
    // third entry, of value v, is chosen.
    QTest::newRow("text action leaves picture actions") << true << "add" << "1/v 1/v 1/1 1/v" << true << 0;
    QTest::newRow("picture action") << false << "add" << "v/1 v/1 1/1 v/1" << true << 0;
    QTest::newRow("delete clears both, text checked") << true << "delete" << "0/0 0/0 1/1 0/0" << true << 0;
    QTest::newRow("delete clears both, picture checked") << false << "delete" << "0/0 0/0 1/1 0/0" << true << 0;
    QTest::newRow("drop gives only that picture") << false << "drop 2" << "1/1 1/1 v/1 1/1" << true << 0;
    QTest::newRow("drop of a text action") << true << "drop 3" << "1/1 1/1 1/1 1/v" << true << 0;
    QTest::newRow("drop outside a panel") << false << "drop -1" << "1/1 1/1 1/1 1/1" << false << 1;
}

void ActionPageTest::givingActions() {
    QFETCH(bool, text);
    QFETCH(QString, how);
    QFETCH(QString, after);
    QFETCH(bool, modified);
    QFETCH(int, notices);
    MovieHarness h;
    auto& w = h.window;
    h.openProject(4);
    for (int i = 0; i < 4; ++i) {
        w.Project.Items(i).Selected = i != 2;
        w.Project.Items(i).PicAction = w.Project.Items(i).StrAction = 1;
    }
    (text ? w.TabSheetSelectAction->RBString : w.TabSheetSelectAction->RBPicture)->click();
    w.TabSheetSelectAction->LBActionList->setCurrentRow(2);
    const auto value = kalidor::rules::ActionValue(*w.Actions, w.TabSheetSelectAction->LBActionList->currentItem()->text().toStdString(),
                                                   text ? kalidor::rules::ActionTarget::Text
                                                        : kalidor::rules::ActionTarget::Picture);
    QVERIFY(value > 1);
    if (how == "add") kalidor::uitest::click(w.TabSheetSelectAction->pngBtnAddAction);
    if (how == "delete") kalidor::uitest::click(w.TabSheetSelectAction->pngBtnDelAction);
    if (how.startsWith("drop")) w.TabSheetSelectAction->DropActionOnPanel(how.mid(5).toInt(), nullptr);
    QCOMPARE(actionsOf(w.Project), QString(after).replace('v', QString::number(value)));
    QCOMPARE(w.Modified, modified);
    QCOMPARE(h.notices.size(), notices);
    for (int i = 0; i < 4; ++i) QCOMPARE(w.Project.Items(i).Selected, i != 2);
}

void ActionPageTest::anEmptyListChangesNothing() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(2);
    w.Project.Items(0).Selected = true;
    // A catalogue of picture entries only.
    auto catalogue = std::make_unique<kalidor::TThActionObjectManager>();
    for (int i = 0; i < w.Actions->Count(); ++i)
        if (w.Actions->Items(i).IsPicture)
            catalogue->Add(std::make_unique<kalidor::TThActionObject>(w.Actions->Items(i)));
    w.Actions = std::move(catalogue);
    w.TabSheetSelectAction->FillActionList();
    w.TabSheetSelectAction->LBActionList->setCurrentRow(3);
    const QImage shown = w.TabSheetSelectAction->ImgActionPreview->pixmap().toImage();
    w.TabSheetSelectAction->RBString->click();
    QCOMPARE(w.TabSheetSelectAction->LBActionList->count(), 0);
    QCOMPARE(w.TabSheetSelectAction->ImgActionPreview->pixmap().toImage(), shown);
    kalidor::uitest::click(w.TabSheetSelectAction->pngBtnAddAction);
    w.TabSheetSelectAction->DropActionOnPanel(1, nullptr);
    QCOMPARE(actionsOf(w.Project), QStringLiteral("0/0 0/0"));
    QVERIFY(!w.Modified);
}

QTEST_MAIN(ActionPageTest)
#include "action_page_test.moc"
