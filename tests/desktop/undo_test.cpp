// Undo and redo through the window, as a user makes the edits: three pictures added, one
// deleted, one moved, an action given, a caption typed, the width typed. Ctrl+Z six times gives
// back the project as opened, to the byte of what a save writes, with no unsaved change left;
// Ctrl+Shift+Z six times gives back the edited one.

#include "movie_test_support.h"

#include "imaging/jpeg_codec.h"
#include "model/project_file.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QtTest>

using kalidor::uitest::MovieHarness;

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void sixEditsBackAndForth();
    void aTextBoxUndoesItsOwnTypingFirst();
};

void UndoTest::sixEditsBackAndForth() {
    MovieHarness h;
    auto& w = h.window;
    // A project as opened: a folder without pictures yet.
    const std::string dir = h.workspace.projectRoot() + "u/";
    std::filesystem::create_directories(dir);
    kalidor::TThPicObjectManager opened;
    opened.LoadProject(dir + "thum.bmp");
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.OpenProject(std::move(opened));
    const std::vector<std::uint8_t> start = kalidor::ProjectFileBytes(w.Project);

    std::vector<std::string> photos;
    for (int i = 0; i < 3; ++i) {
        kalidor::Bitmap photo(90 + 30 * i, 60);
        photo.fillBgr24(0x00305070u + 0x00200000u * static_cast<std::uint32_t>(i));
        photos.push_back(h.workspace.baseDir() + "photo" + std::to_string(i) + ".jpg");
        kalidor::jpeg::writeFile(photo, photos.back(), 90);
    }
    kalidor::TStoryboardStrip& strip = *w.ScrollBoxPicture;
    QSignalSpy added(&strip.PictureAdder, &kalidor::PictureAddingJob::finished);
    QVERIFY(strip.AddPictures(photos, -1, true));
    QVERIFY(added.wait(30000));
    QCOMPARE(w.Project.Count(), 3);
    const auto panel = [&](int i) { return strip.StoryPanels.Items(i).Control(kalidor::rules::PanelControl::Thumbnail); };
    QTest::mouseClick(panel(1), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseClick(w.TabSheetSelectPicture->pngBtnDelPicture, Qt::LeftButton);
    QTest::mouseClick(panel(0), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseClick(w.TabSheetSelectPicture->pngBtnPicBack, Qt::LeftButton);
    QVERIFY(w.SwitchPage(2));
    w.TabSheetSelectAction->LBActionList->setCurrentRow(1);
    QTest::mouseClick(w.TabSheetSelectAction->pngBtnAddAction, Qt::LeftButton);
    QLineEdit* caption = strip.StoryPanels.Items(0).EditStoryBoradStr;
    caption->setFocus();
    QTest::keyClicks(caption, QStringLiteral("Sea"));
    QVERIFY(w.SwitchPage(3));
    QSpinBox* width = w.TabSheetSaveMovie->SEMovWidth;
    width->setFocus();
    QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(width, QStringLiteral("800"));
    w.setFocus();  // out of the boxes, whose own typing Ctrl+Z would undo first
    QCOMPARE(QSize(w.Project.MovWidth, w.Project.MovHeight), QSize(800, 600));
    QCOMPARE(w.Project.Count(), 2);
    QVERIFY(w.Modified);
    const std::vector<std::uint8_t> edited = kalidor::ProjectFileBytes(w.Project);

    for (int i = 0; i < 6; ++i) QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(kalidor::ProjectFileBytes(w.Project), start);
    QVERIFY(!w.Modified);
    QVERIFY(!w.HasUnsavedChanges());
    QCOMPARE(strip.StoryPanels.Count(), 0);
    QCOMPARE(w.TabSheetSaveMovie->SEMovWidth->value(), 640);

    for (int i = 0; i < 6; ++i) QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(kalidor::ProjectFileBytes(w.Project), edited);
    QVERIFY(w.Modified);
    QCOMPARE(strip.StoryPanels.Count(), 2);
    QCOMPARE(strip.StoryPanels.Items(0).EditStoryBoradStr->text(), QStringLiteral("Sea"));
    QCOMPARE(w.TabSheetSaveMovie->SEMovWidth->value(), 800);
    // Ctrl+Y redoes too: one back, one forward.
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.Project.MovWidth, 640);
    QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(w.Project.MovWidth, 800);

    // Saved with the pictures undone, their copies stay for a redo; closing the project then
    // removes the copies only the history needed.
    for (int i = 0; i < 6; ++i) QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    const auto copies = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            count += entry.path().extension() == ".jpg";
        return count;
    };
    QCOMPARE(copies(), 3);
    w.pngBtnSaveProjectClick();
    QCOMPARE(copies(), 3);
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.Project.Count(), 3);
    QVERIFY(w.SwitchPage(0));
    std::filesystem::create_directories(h.workspace.projectRoot() + "other");
    kalidor::TThPicObjectManager other;
    other.LoadProject(h.workspace.projectRoot() + "other/thum.bmp");
    w.OpenProject(std::move(other));
    QCOMPARE(copies(), 0);
    QVERIFY(!w.History.CanUndo());
}

void UndoTest::aTextBoxUndoesItsOwnTypingFirst() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(1);
    w.ScrollBoxPicture->RefreshStoryboard();
    w.History.Reset(w.Project);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(w.SwitchPage(1));
    w.Project.Items(0).DisplayTime = 9;  // an edit before the typing
    w.RecordEdit();
    QLineEdit* caption = w.ScrollBoxPicture->StoryPanels.Items(0).EditStoryBoradStr;
    caption->setFocus();
    QTest::keyClicks(caption, QStringLiteral("ab"));
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);  // the box's own typing
    QCOMPARE(caption->text(), QString());
    QCOMPARE(w.Project.Items(0).DisplayTime, 9);
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);  // nothing left in the box: the project's
    QCOMPARE(w.Project.Items(0).DisplayTime, 1);
    QVERIFY(!w.History.CanUndo());
}

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
