// The whole desktop workflow through the widgets, as a user goes through it: make a project,
// add three photos from a folder, give them a zoom, a curtain and a caption, choose a 320 x 240
// AVI, save, reopen, export, and check the movie with ffprobe.

#include "movie_test_support.h"

#include "model/pic_object.h"
#include "desktop/dialogs/form_font_config.h"
#include "desktop/dialogs/form_time_config.h"
#include "desktop/dialogs/form_project_name.h"
#include "desktop/dialogs/form_status.h"
#include "desktop/pages/project_list_model.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <string>

using namespace kalidor;
using namespace kalidor::uitest;

namespace {

void clickWidget(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

// On its indicator: a radio button wider than its text takes clicks only there and on the text.
void clickRadio(QRadioButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2)); }

// Typed key by key; QTest's own typing knows only ASCII.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}

void clickListItem(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
}

// Clicks the project tile whose folder is `name`, then the open button.
void openProject(TFormMakeMovie& window, const std::string& name) {
    QTRY_VERIFY_WITH_TIMEOUT(window.TabSheetSelectProject->ProjectModel->rowCount() > 0, 10000);
    int row = -1;
    for (int r = 0; r < window.TabSheetSelectProject->ProjectModel->rowCount(); ++r)
        if (std::filesystem::path(window.TabSheetSelectProject->ProjectModel->Entry(r)).parent_path().filename() == name ||
            std::filesystem::path(window.TabSheetSelectProject->ProjectModel->Entry(r)).filename() == name)
            row = r;
    QVERIFY2(row >= 0, window.TabSheetSelectProject->ProjectModel->rowCount() ? window.TabSheetSelectProject->ProjectModel->Entry(0).c_str() : "no project");
    const QRect tile = window.TabSheetSelectProject->LVProject->visualRect(window.TabSheetSelectProject->ProjectModel->index(row));
    QTest::mouseClick(window.TabSheetSelectProject->LVProject->viewport(), Qt::LeftButton, {}, tile.center());
    click(window.TabSheetSelectProject->pngBtnToSelectPicture);
    QCOMPARE(window.PageControl->currentIndex(), 1);
}

QString probe(const QString& movie, const QString& entries) {
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v", "-show_entries", entries, "-of",
                              "csv=p=0", movie});
    if (!ffprobe.waitForFinished(60000)) return {};
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
}

}  // namespace

class DesktopWorkflowTest : public QObject {
    Q_OBJECT
private slots:
    void makeSaveReopenExport();
};

void DesktopWorkflowTest::makeSaveReopenExport() {
    QTemporaryDir photos;
    for (int i = 0; i < 3; ++i) {
        QImage photo(400, 300, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb((x + 90 * i) % 256, y % 256, 60 * i));
        QVERIFY(photo.save(photos.filePath(QStringLiteral("photo%1.jpg").arg(i)), "JPG", 90));
    }
    qputenv("XDG_CACHE_HOME", photos.filePath("cache").toUtf8());

    MovieHarness harness;
    TFormMakeMovie& window = harness.window;
    TFormProjectName projectName(&window);
    TFormStatus status(&window);
    TFormTimeConfig timeConfig(&window);
    TFormFontConfig fontConfig(&window);
    window.SetProjectNameForm(&projectName);
    window.SetStatusForm(&status);
    window.SetStoryDialogs(&timeConfig, &fontConfig);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // A new project, named in its dialog.
    QTimer::singleShot(0, &projectName, [&] {
        typeText(projectName.EditProjectName, QStringLiteral("旅行"));
        QTest::mouseClick(projectName.BtnMake, Qt::LeftButton);
    });
    click(window.TabSheetSelectProject->pngBtnMakeProject);
    window.activateWindow();  // the closed dialog hands the keyboard back
    QVERIFY(QTest::qWaitForWindowActive(&window));
    openProject(window, "旅行");
    if (QTest::currentTestFailed()) return;

    // Three photos from the folder, all selected and added with the button.
    QVERIFY(window.TabSheetSelectPicture->PanelSelectPictureArea->SetBrowserFolder(photos.path().toStdString()));
    QTRY_COMPARE(window.TabSheetSelectPicture->PanelSelectPictureArea->FolderFiles().size(), std::size_t{3});
    window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->setFocus();
    QTest::keyClick(window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(window.TabSheetSelectPicture->PanelSelectPictureArea->SelectedBrowserFiles().size(), std::size_t{3});
    click(window.TabSheetSelectPicture->pngBtnAddPicture);
    QTRY_VERIFY_WITH_TIMEOUT(window.Project.Count() == 3 && !window.ScrollBoxPicture->AddingPictures(), 30000);

    // A zoom on the first, a curtain on the second, a caption on the third.
    click(window.pngBtnSelectAction);
    clickRadio(window.TabSheetSelectAction->RBPicture);
    QVERIFY(window.TabSheetSelectAction->RBPicture->isChecked());
    const std::pair<int, QString> effects[] = {{0, QStringLiteral("ズームイン")}, {1, QStringLiteral("カーテン（左から）")}};
    for (const auto& [panel, effect] : effects) {
        clickWidget(window.findChild<QWidget*>(QStringLiteral("PanelStoryBorad_%1").arg(panel)));
        clickListItem(window.TabSheetSelectAction->LBActionList, effect);
        if (QTest::currentTestFailed()) return;
        click(window.TabSheetSelectAction->pngBtnAddAction);
    }
    auto* caption = window.findChild<QLineEdit*>("EditStoryBoradStr_2");
    QVERIFY(caption);
    typeText(caption, QStringLiteral("Hello 世界"));
    QCOMPARE(int{window.Project.Items(0).PicAction}, int{apZoomIN});
    QCOMPARE(int{window.Project.Items(1).PicAction}, int{apCurtainLeft});
    QCOMPARE(QString::fromStdString(window.Project.Items(2).Text), QStringLiteral("Hello 世界"));

    // A 320 x 240 AVI: the height follows the width at 4:3.
    click(window.pngBtnMakeMovie);
    clickRadio(window.TabSheetSaveMovie->RBMovTypeAVI);
    QVERIFY(window.TabSheetSaveMovie->RBMovTypeAVI->isChecked());
    window.TabSheetSaveMovie->SEMovWidth->setFocus();
    QTRY_VERIFY(window.TabSheetSaveMovie->SEMovWidth->hasFocus());
    window.TabSheetSaveMovie->SEMovWidth->selectAll();
    QTest::keyClicks(window.TabSheetSaveMovie->SEMovWidth, "321");
    QCOMPARE(window.TabSheetSaveMovie->SEMovHeight->value(), 242);  // follows every digit
    QTest::keyClick(window.TabSheetSaveMovie->SEMovWidth, Qt::Key_Backspace);
    QTest::keyClicks(window.TabSheetSaveMovie->SEMovWidth, "0");
    QTest::keyClick(window.TabSheetSaveMovie->SEMovWidth, Qt::Key_Return);
    QCOMPARE(window.TabSheetSaveMovie->SEMovWidth->value(), 320);
    QCOMPARE(window.TabSheetSaveMovie->SEMovHeight->value(), 240);
    const QString movie = photos.filePath(QStringLiteral("旅行.avi"));
    window.TabSheetSaveMovie->SaveDialogMov = [&](QWidget*, const QString&) { return movie; };
    QTest::mouseClick(window.TabSheetSaveMovie->BtnSelectSaveDir, Qt::LeftButton);

    QVERIFY(window.TabSheetSaveMovie->EditSaveFilePath->text().endsWith(".AVI"));
    click(window.pngBtnSaveProject);
    QTRY_VERIFY(harness.notices.contains(QStringLiteral("保存しました")));
    QVERIFY(!window.Modified);

    // Reopened from the project list, everything is as it was saved.
    click(window.pngBtnSelectProject);
    QCOMPARE(window.PageControl->currentIndex(), 0);
    window.Project.Clear();
    openProject(window, "旅行");
    if (QTest::currentTestFailed()) return;
    QCOMPARE(window.Project.Count(), 3);
    QCOMPARE(int{window.Project.Items(0).PicAction}, int{apZoomIN});
    QCOMPARE(int{window.Project.Items(1).PicAction}, int{apCurtainLeft});
    QCOMPARE(QString::fromStdString(window.Project.Items(2).Text), QStringLiteral("Hello 世界"));
    QCOMPARE(int{window.Project.MovType}, 1);
    QCOMPARE(window.TabSheetSaveMovie->SEMovWidth->value(), 320);

    // The export, through its dialog, to the end.
    click(window.pngBtnMakeMovie);
    click(window.TabSheetSaveMovie->pngBtnMakeMov);
    QTRY_VERIFY_WITH_TIMEOUT(status.LabelStatus->text().contains(QStringLiteral("処理が完了しました")), 120000);
    const int seconds = [&] {
        int total = 0;
        for (int i = 0; i < window.Project.Count(); ++i) total += window.Project.Items(i).DisplayTime;
        return total;
    }();
    QString savedMovie = QString::fromStdString(window.Project.SaveFilePath);
    QVERIFY2(QFileInfo::exists(savedMovie), qPrintable(savedMovie));
    QCOMPARE(probe(savedMovie, "stream=codec_name,width,height,nb_read_frames"),
             QStringLiteral("msmpeg4v2,320,240,%1").arg(seconds * 30 + 3));
    QVERIFY(harness.questions.size() >= 1);  // the save's question
}

QTEST_MAIN(DesktopWorkflowTest)
#include "desktop_workflow_test.moc"
