// Undo and redo through the window, as a user makes the edits: three pictures added, one
// deleted, one moved, an action given, a caption typed, the width typed. Ctrl+Z six times gives
// back the project as opened, to the byte of what a save writes, with no unsaved change left;
// Ctrl+Shift+Z six times gives back the edited one. Then on the bundled example (captions of
// their own, thumbnails not made by adding): what a refresh of the panels writes is no edit, a
// deleted picture comes back as it was, an adding run is one step that nothing comes into, and
// Ctrl+Z in a text box is the project's.

#include "movie_test_support.h"

#include "desktop/dialogs/form_time_config.h"
#include "desktop/shared/drag_formats.h"
#include "desktop_rules/storyboard_editing.h"
#include "imaging/jpeg_codec.h"
#include "model/project_file.h"
#include "model/save_command.h"

#include <QComboBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

#include <fstream>
#include <iterator>

using kalidor::uitest::MovieHarness;
namespace fs = std::filesystem;

namespace {

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bundled example, copied into the workspace and opened as the project page opens it, in
// an active window on the picture page.
struct ExampleHarness : MovieHarness {
    std::string dir = workspace.projectRoot() + "例/";
    ExampleHarness() {
        fs::create_directories(workspace.projectRoot());
        fs::copy(KALIDOR_SOURCE_DATA "/example", dir, fs::copy_options::recursive);
        kalidor::TThPicObjectManager project;
        project.LoadProject(dir + "project.dat");
        window.show();
        window.activateWindow();
        window.OpenProject(std::move(project));
    }
    kalidor::TStoryboardStrip& strip() { return *window.ScrollBoxPicture; }
    QLineEdit* caption(int i) { return strip().StoryPanels.Items(i).EditStoryBoradStr; }
    void clickPanel(int i) {
        QTest::mouseClick(strip().StoryPanels.Items(i).Control(kalidor::rules::PanelControl::Thumbnail), Qt::LeftButton,
                          {}, QPoint(50, 50));
    }
    // Types at the end of a caption, as a user clicks into it and types.
    void typeInto(int i, const QString& text) {
        caption(i)->setFocus();
        caption(i)->end(false);
        QTest::keyClicks(caption(i), text);
    }
    void undo(QWidget* where = nullptr) { QTest::keyClick(where ? where : &window, Qt::Key_Z, Qt::ControlModifier); }
    QString captions() {
        QStringList texts;
        for (int i = 0; i < window.Project.Count(); ++i) texts << QString::fromStdString(window.Project.Items(i).Text);
        return texts.join('|');
    }
};

const QString kSunset = QStringLiteral("夕焼けの海"), kHills = QStringLiteral("Green hills 緑の丘");

}  // namespace

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void sixEditsBackAndForth();
    void aTextBoxUndoesTheProjectsSteps();
    void typedCaptionComesBackWithItsPanel();
    void moveThenTypeAreTwoStepsAndTheSelectionComesBack();
    void deletedPictureComesBackAsItWas();
    void anAddingRunIsOneStepNothingComesInto();
    void aTextBoxNeverBringsBackWhatWasUndone_data();
    void aTextBoxNeverBringsBackWhatWasUndone();
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

void UndoTest::aTextBoxUndoesTheProjectsSteps() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(1);
    w.ScrollBoxPicture->RefreshStoryboard();
    w.History.Reset();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(w.SwitchPage(1));
    w.Edit("x", [&] { w.Project.Items(0).DisplayTime = 9; });  // an edit before the typing
    QLineEdit* caption = w.ScrollBoxPicture->StoryPanels.Items(0).EditStoryBoradStr;
    caption->setFocus();
    QTest::keyClicks(caption, QStringLiteral("ab"));
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);  // the typing, the last step
    QCOMPARE(caption->text(), QString());
    QCOMPARE(w.Project.Items(0).DisplayTime, 9);
    QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);  // the step before it
    QCOMPARE(w.Project.Items(0).DisplayTime, 1);
    QVERIFY(!w.History.CanUndo());
}

void UndoTest::typedCaptionComesBackWithItsPanel() {
    ExampleHarness h;
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.typeInto(0, QStringLiteral("Q"));
    h.clickPanel(0);
    QTest::mouseClick(h.window.TabSheetSelectPicture->pngBtnDelPicture, Qt::LeftButton);
    QCOMPARE(h.captions(), kHills + "|");
    QCOMPARE(h.caption(0)->text(), kHills);
    h.undo();
    QCOMPARE(h.captions(), kSunset + "Q|" + kHills + "|");
    QCOMPARE(h.caption(0)->text(), kSunset + "Q");
    h.undo();  // the typing, a step of its own
    QCOMPARE(h.captions(), kSunset + "|" + kHills + "|");
    QVERIFY(!h.window.History.CanUndo());
}

void UndoTest::moveThenTypeAreTwoStepsAndTheSelectionComesBack() {
    ExampleHarness h;
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    auto* back = h.window.TabSheetSelectPicture->pngBtnPicBack;
    h.clickPanel(0);
    QTest::mouseClick(back, Qt::LeftButton);
    h.typeInto(0, QStringLiteral("!"));
    QCOMPARE(h.captions(), kHills + "!|" + kSunset + "|");
    h.undo();
    QCOMPARE(h.captions(), kHills + "|" + kSunset + "|");
    QCOMPARE(h.window.History.UndoLabel(), std::optional<std::string>(kalidor::rules::kStepMovePicture));
    h.undo();
    QCOMPARE(h.captions(), kSunset + "|" + kHills + "|");
    // The moved picture is selected again, so "後ろへ" moves it again.
    QVERIFY(h.window.Project.Items(0).Selected);
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(h.notices, QStringList());
    QCOMPARE(h.captions(), kHills + "|" + kSunset + "|");
}

void UndoTest::deletedPictureComesBackAsItWas() {
    ExampleHarness h;
    const std::vector<char> opened = fileBytes(h.dir + "project.dat");
    h.clickPanel(1);
    QTest::mouseClick(h.window.TabSheetSelectPicture->pngBtnDelPicture, Qt::LeftButton);
    QCOMPARE(h.window.Project.Count(), 2);
    h.window.UndoEdit();
    QVERIFY(!h.window.HasUnsavedChanges());
    // Leaving asks nothing, and a save writes the file as it was.
    QVERIFY(h.window.SwitchPage(0));
    QCOMPARE(h.questions, QStringList{QString::fromUtf8(kalidor::rules::kDeleteQuestion)});
    h.window.pngBtnSaveProjectClick();
    QVERIFY(fileBytes(h.dir + "project.dat") == opened);
}

void UndoTest::anAddingRunIsOneStepNothingComesInto() {
    ExampleHarness h;
    auto& w = h.window;
    QVERIFY(QTest::qWaitForWindowActive(&w));
    kalidor::TFormTimeConfig timeConfig(&w);
    w.SetStoryDialogs(&timeConfig, nullptr);
    const std::vector<std::uint8_t> opened = kalidor::ProjectFileBytes(w.Project);
    std::vector<std::string> photos;
    for (int i = 0; i < 20; ++i) {
        kalidor::Bitmap photo(640, 480);
        photo.fillBgr24(0x00102030u * static_cast<std::uint32_t>(i + 1));
        photos.push_back(h.workspace.baseDir() + "photo" + std::to_string(i) + ".jpg");
        kalidor::jpeg::writeFile(photo, photos.back(), 90);
    }
    w.TabSheetSelectAction->LBActionList->setCurrentRow(1);
    const std::unique_ptr<QMimeData> action(w.TabSheetSelectAction->LBActionList->model()->mimeData(
        {w.TabSheetSelectAction->LBActionList->currentIndex()}));
    // Once pictures of the run are in, every other edit is tried: typing, the time dialog (which
    // would be answered with 12 seconds), an action dropped on a panel.
    bool tried = false;
    connect(&h.strip().PictureAdder, &kalidor::PictureAddingJob::progress, this, [&] {
        if (tried || w.Project.Count() == 3 || !h.strip().AddingPictures()) return;
        tried = true;
        h.typeInto(0, QStringLiteral("!"));
        QTimer::singleShot(0, &timeConfig, [&] {
            if (!timeConfig.isVisible()) return;
            timeConfig.CBTime->setCurrentIndex(9);
            timeConfig.BtnOK->click();
        });
        QTest::mouseClick(h.strip().StoryPanels.Items(0).Control(kalidor::rules::PanelControl::TimeLabel),
                          Qt::LeftButton);
        h.strip().StoryBoardDragDrop(0, action.get());
    });
    QSignalSpy finished(&h.strip().PictureAdder, &kalidor::PictureAddingJob::finished);
    QVERIFY(h.strip().AddPictures(photos, -1, true));
    QVERIFY(finished.wait(60000));
    QVERIFY(tried);
    QCOMPARE(w.Project.Count(), 23);
    QCOMPARE(h.caption(0)->text(), kSunset);
    QCOMPARE(w.Project.Items(0).DisplayTime, 4);
    QCOMPARE(w.Project.Items(0).PicAction, kalidor::apZoomIN);
    // One Ctrl+Z takes the whole run back, and nothing else was recorded.
    h.undo();
    QCOMPARE(kalidor::ProjectFileBytes(w.Project), opened);
    QVERIFY(!w.History.CanUndo());
}

void UndoTest::aTextBoxNeverBringsBackWhatWasUndone_data() {
    QTest::addColumn<QString>("between");
    QTest::newRow("another edit") << "edit";
    QTest::newRow("a save") << "save";
}

void UndoTest::aTextBoxNeverBringsBackWhatWasUndone() {
    QFETCH(QString, between);
    ExampleHarness h;
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.typeInto(0, QStringLiteral("ab"));
    if (between == "edit") h.typeInto(1, QStringLiteral("x"));
    else h.window.pngBtnSaveProjectClick();
    // Ctrl+Z in the box, again and again: once the typing is gone it stays gone.
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        h.undo(h.caption(0));
        seen << h.caption(0)->text();
    }
    const int gone = seen.indexOf(kSunset);
    QVERIFY2(gone >= 0 && seen.lastIndexOf(kSunset + "ab") < gone, qPrintable(seen.join(", ")));
    QCOMPARE(QString::fromStdString(h.window.Project.Items(0).Text), kSunset);
    QCOMPARE(QString::fromStdString(h.window.Project.Items(1).Text), kHills);
    // Nor do their right-click menus offer an undo of their own: a caption's, a size box's.
    QWidget* sizeBox = h.window.TabSheetSaveMovie->SEMovWidth->findChild<QLineEdit*>();
    for (QWidget* box : std::initializer_list<QWidget*>{h.caption(0), sizeBox}) {
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions())
                if (action->isVisible() && !action->isSeparator()) offered << action->text().section('\t', 0, 0);
            menu->close();
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(box, &click);
        QTRY_VERIFY2(!offered.isEmpty(), "no menu");
        const auto words = [](const char* text) { return QCoreApplication::translate("QLineEdit", text); };
        QVERIFY2(offered.contains(words("&Copy")), qPrintable(offered.join(", ")));
        QVERIFY2(!offered.contains(words("&Undo")) && !offered.contains(words("&Redo")), qPrintable(offered.join(", ")));
    }
}

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
