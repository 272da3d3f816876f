#include "model/workspace.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/translated.h"
#include "desktop/window/interface_language.h"
#include "render/export_result.h"
#include "desktop/ui_test_support.h"

#include <QScrollArea>
#include <QStackedWidget>
#include <QtTest>

#include <filesystem>
#include <fstream>

using kalidor::TFormMakeMovie;

namespace {

// A main window over a scratch workspace whose messages are recorded and whose questions are
// answered by `answer`.
struct Harness : kalidor::uitest::RecordedMessages {
    kalidor::uitest::ScratchWorkspace workspace;
    TFormMakeMovie window{workspace.baseDir(), kalidor::uitest::ScratchWorkspace::dataDir()};
    Harness() {
        record(window);
    }
};

const QString kChanged = QStringLiteral("現在、開いているプロジェクトは変更されています。\r\n");

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void createsTheWorkspaceAndShowsTheProjectPage();
    void pageSwitch_data();
    void pageSwitch();
    void closingAsksOnlyWithChanges();
    void enterKeepsTheWorkAtTheDiscardQuestions();
    void recoveryCopyFollowsTheUnsavedEdits();
    void errorsAreShownWithTheirTextAndTheWindowGoesOn();
    void dialogsSpeakTheInterfaceLanguage_data();
    void dialogsSpeakTheInterfaceLanguage();
};

void MainWindowTest::createsTheWorkspaceAndShowsTheProjectPage() {
    Harness h;
    h.window.FormCreate();
    QVERIFY2(h.notices.isEmpty(), qPrintable(h.notices.join('\n')));
    QCOMPARE(h.window.windowTitle(), QStringLiteral("Kalidor"));
    QCOMPARE(h.window.minimumSize(), QSize(950, 686));
    QCOMPARE(h.window.size(), QSize(950, 686));
    QVERIFY(h.window.Actions && h.window.Actions->Count() > 0);
    QVERIFY(std::filesystem::exists(h.window.ImgDir() + "menu01_01.png"));
    QVERIFY(std::filesystem::exists(h.window.ProjectRoot() + "thum.bmp"));
    QCOMPARE(h.window.PageControl->currentIndex(), 0);
    const QRect places[] = {{8, 5, 192, 55}, {218, 5, 137, 55}, {372, 5, 180, 55}, {570, 5, 137, 55}, {724, 5, 137, 55}};
    kalidor::TPNGButton* menu[] = {h.window.pngBtnSelectProject, h.window.pngBtnSelectPicture, h.window.pngBtnSelectAction,
                                   h.window.pngBtnMakeMovie, h.window.pngBtnSaveProject};
    for (int i = 0; i < 5; ++i) QCOMPARE(menu[i]->geometry(), places[i]);
    QVERIFY(!h.window.Modified);
    // The button rows stay centred under the page area as the window grows.
    h.window.show();
    h.window.resize(1201, 700);
    QTRY_COMPARE(h.window.TabSheetSelectAction->PanelActionBottom->width(), 1201);
    for (QWidget* row : {h.window.TabSheetSelectPicture->PanelSelectPictureButton, h.window.TabSheetSelectAction->PanelActionButton})
        QCOMPARE(row->x(), 1201 / 2 - row->width() / 2);
}

void MainWindowTest::pageSwitch_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<int>("page");
    const QString backQuestion = kChanged + QStringLiteral("続行してよろしいですか？");
    QTest::newRow("2 to 0 changed, No") << 2 << true << 0 << false << backQuestion << 2;
    QTest::newRow("2 to 0 changed, Yes") << 2 << true << 0 << true << backQuestion << 0;
    QTest::newRow("2 to 0 unchanged") << 2 << false << 0 << false << QString() << 0;
    QTest::newRow("2 to 3 changed") << 2 << true << 3 << false << QString() << 3;
    QTest::newRow("1 to 2 changed") << 1 << true << 2 << false << QString() << 2;
    QTest::newRow("0 to 0 changed") << 0 << true << 0 << false << QString() << 0;
    QTest::newRow("3 to 1") << 3 << false << 1 << false << QString() << 1;
}

void MainWindowTest::pageSwitch() {
    QFETCH(int, from);
    QFETCH(bool, modified);
    QFETCH(int, to);
    QFETCH(bool, answer);
    QFETCH(QString, asked);
    QFETCH(int, page);
    Harness h;
    h.window.FormCreate();
    QVERIFY(h.window.SwitchPage(from));
    h.window.Modified = modified;
    h.answer = answer;
    QCOMPARE(h.window.SwitchPage(to), page == to);
    QCOMPARE(h.questions, asked.isEmpty() ? QStringList() : QStringList{asked});
    QCOMPARE(h.window.PageControl->currentIndex(), page);
    QCOMPARE(!h.window.ScrollBoxPicture->isHidden(), page == 1 || page == 2);
    for (auto* button : {h.window.pngBtnSelectPicture, h.window.pngBtnSelectAction, h.window.pngBtnMakeMovie,
                         h.window.pngBtnSaveProject})
        QCOMPARE(button->isEnabled(), page != 0);
    QVERIFY(h.window.pngBtnSelectProject->isEnabled());
    kalidor::TPNGButton* menu[] = {h.window.pngBtnSelectProject, h.window.pngBtnSelectPicture, h.window.pngBtnSelectAction,
                                   h.window.pngBtnMakeMovie};
    for (int i = 0; i < 4; ++i) {
        const QString file = QString::fromStdString(h.window.ImgDir()) + QStringLiteral("menu0%1_0%2.png").arg(i + 1).arg(i == page ? 2 : 1);
        QCOMPARE(menu[i]->imageNormal(), QImage(file).convertToFormat(menu[i]->imageNormal().format()));
    }
}

void MainWindowTest::closingAsksOnlyWithChanges() {
    struct Case {
        bool modified, answer, closes, asks;
        bool unmarkedEdit = false;  // the project changed without the mark: it still counts
    } cases[] = {{false, false, true, false},
                 {true, false, false, true},
                 {true, true, true, true},
                 {false, false, false, true, true}};
    for (const Case& c : cases) {
        Harness h;
        h.window.FormCreate();
        h.window.show();
        h.window.Modified = c.modified;
        if (c.unmarkedEdit) h.window.Project.MovQuality = 3;
        h.answer = c.answer;
        QCOMPARE(h.window.close(), c.closes);
        QCOMPARE(h.questions, c.asks ? QStringList{kChanged + QStringLiteral("終了してよろしいですか？")} : QStringList());
    }
}

void MainWindowTest::enterKeepsTheWorkAtTheDiscardQuestions() {
    // Enter takes the default button: No (keep) where Yes throws edits away, Yes where it restores them.
    const std::pair<kalidor::QuestionFn, bool> cases[] = {{kalidor::AskToDiscard, false},
                                                          {kalidor::AskQuestionYesFirst, true}};
    for (const auto& [ask, yes] : cases) {
        QTimer enter;
        connect(&enter, &QTimer::timeout, [] {
            if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
        });
        enter.start(20);
        QCOMPARE(ask(nullptr, QStringLiteral("?")), yes);
    }
}

void MainWindowTest::recoveryCopyFollowsTheUnsavedEdits() {
    Harness h;
    h.window.FormCreate();
    const std::string dir = h.workspace.projectRoot() + "例/";
    std::filesystem::copy(KALIDOR_SOURCE_DATA "/example", dir, std::filesystem::copy_options::recursive);
    kalidor::TThPicObjectManager project;
    project.LoadProject(dir + "project.dat");
    h.window.OpenProject(std::move(project));
    const std::string copy = h.workspace.baseDir() + "state/kalidor/recovery/copy.dat";
    const auto edit = [&] { h.window.Edit("文字の入力", [&] { h.window.Project.Items(0).Text += "!"; }); };
    edit();
    QTRY_VERIFY(std::filesystem::exists(copy));
    h.window.pngBtnSaveProjectClick();
    QTRY_VERIFY(!std::filesystem::exists(copy));
    edit();
    QTRY_VERIFY(std::filesystem::exists(copy));
    // Ending with a Yes to the question lets the edits go, and their copy with them.
    h.window.show();
    QVERIFY(h.window.close());
    QTRY_VERIFY(!std::filesystem::exists(copy));
}

void MainWindowTest::errorsAreShownWithTheirTextAndTheWindowGoesOn() {
    // A damaged, emptied or cut catalogue the user left in the workspace (recorded as delivered
    // whole, so no copy cut short) is kept and refused, naming the file and the line.
    for (const char* text : {"\r\n", "", "0,a,apNone,apNone_desc\r\n"}) {
        Harness h;
        const std::string config = h.workspace.baseDir() + "Orvane/Kalidor/config/";
        std::filesystem::create_directories(config);
        std::ofstream(config + "actionList.dat") << text;
        std::ofstream(config + kalidor::kDeliveredRecordName) << std::string(32, '0') << "  config/actionList.dat\n";
        h.window.FormCreate();
        QCOMPARE(h.notices.size(), 1);
        QVERIFY2(h.notices[0].contains("actionList.dat line"), qPrintable(h.notices[0]));
        QVERIFY(!h.window.Actions);
        QVERIFY(!h.window.Modified);
    }
    Harness h;
    h.window.FormCreate();

    // A missing menu image stops the switch with the loader's text.
    std::filesystem::remove(h.window.ImgDir() + "menu02_02.png");
    QVERIFY(!h.window.SwitchPage(1));
    QCOMPARE(h.notices.size(), 1);
    QVERIFY2(h.notices[0].contains("menu02_02.png"), qPrintable(h.notices[0]));
}

void MainWindowTest::dialogsSpeakTheInterfaceLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("yes");        // Qt's own button
    QTest::addColumn<QString>("open");       // Qt's file dialog
    QTest::addColumn<QString>("completed");  // the program's own text, from its catalogue
    QTest::newRow("Japanese") << "ja" << "はい" << "開く" << "処理が完了しました";
    QTest::newRow("English") << "en" << "&Yes" << "Open" << "The export is complete";
}

void MainWindowTest::dialogsSpeakTheInterfaceLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, yes);
    QFETCH(QString, open);
    QFETCH(QString, completed);
    QCOMPARE(QString::fromStdString(kalidor::InstallInterfaceLanguage(*qApp, language.toStdString())), language);
    QCOMPARE(QString::fromStdString(kalidor::InterfaceLanguageShown()), language);
    QVERIFY(QCoreApplication::translate("QPlatformTheme", "&Yes").startsWith(yes));
    QVERIFY(QCoreApplication::translate("QFileDialog", "Open").contains(open));
    QCOMPARE(kalidor::Translated(kalidor::ExportResultMessage(kalidor::ExportResult::Completed)), completed);
    qDeleteAll(qApp->findChildren<QTranslator*>());
    kalidor::SetInterfaceLanguageShown("ja");
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
