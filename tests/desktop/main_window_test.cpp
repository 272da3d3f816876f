#include "model/workspace.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/translated.h"
#include "desktop/window/interface_language.h"
#include "render/export_result.h"
#include "desktop/ui_test_support.h"

#include "desktop/window/recovery_keeper.h"
#include "desktop_rules/recovery_copy.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QScrollArea>
#include <QStackedWidget>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

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

namespace fs = std::filesystem;

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
void flipLastByte(const std::string& path) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekg(-1, std::ios::end);
    const char last = static_cast<char>(file.get());
    file.seekp(-1, std::ios::end);
    file.put(static_cast<char>(last ^ 1));
}

// A run of the window on a workspace that outlives it, holding the example project as 例.
struct Run : kalidor::uitest::RecordedMessages {
    std::unique_ptr<TFormMakeMovie> window;
    std::string base, dir = base + "Orvane/Kalidor/project/例/", home = base + "state/kalidor/";
    explicit Run(std::string workspace) : base(std::move(workspace)) {
        if (!fs::exists(dir)) {
            fs::create_directories(dir);
            fs::copy(KALIDOR_SOURCE_DATA "/example", dir, fs::copy_options::recursive);
        }
        window = std::make_unique<TFormMakeMovie>(base, kalidor::uitest::ScratchWorkspace::dataDir());
        record(*window);
        window->FormCreate();
    }
    void open() {
        kalidor::TThPicObjectManager project;
        project.LoadProject(dir + "project.dat");
        window->OpenProject(std::move(project));
    }
    // A caption typed, and a picture added (its copy made in the project's folder).
    void edit(const std::string& added = "added.jpg") {
        fs::copy_file(dir + "hills.jpg", dir + added, fs::copy_options::overwrite_existing);
        window->PictureCopyMade(dir + added);
        window->Edit("画像の追加", [&] {
            auto picture = window->Project.Items(0).Clone();
            picture->PicturePath = dir + added;
            window->Project.Add(std::move(picture));
            window->Project.Items(0).Text = "控えの文字";
        });
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
    void keysAndButtonsKeepTheWorkAtTheQuestions();
    void recoveryCopyFollowsTheUnsavedEdits();
    void recoveryCopyIsOfferedAtTheNextStart();
    void aFailedRecoveryWriteIsShownAndKeepsThePictures();
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

void MainWindowTest::keysAndButtonsKeepTheWorkAtTheQuestions() {
    using kalidor::RecoveryAnswer;
    // What a key, the close box or a button does to the real box: only the discard button throws
    // the edits of a recovery copy away; Enter takes the default, which keeps the work.
    const auto press = [](int key) {
        return [key](QMessageBox* box) { QTest::keyClick(box, static_cast<Qt::Key>(key)); };
    };
    const std::function<void(QMessageBox*)> closeBox = [](QMessageBox* box) { box->close(); };
    const auto click = [](const char* text) {
        return [text](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QString::fromUtf8(text)) button->click();
        };
    };
    const auto yesNo = [](const kalidor::QuestionFn& ask) {
        return [ask] { return ask(nullptr, QStringLiteral("?")) ? QStringLiteral("yes") : QStringLiteral("no"); };
    };
    const auto restore = [] {
        const RecoveryAnswer answer = kalidor::AskToRestore(nullptr, QStringLiteral("?"));
        return answer == RecoveryAnswer::Restore ? QStringLiteral("restore")
               : answer == RecoveryAnswer::Discard ? QStringLiteral("discard")
                                                   : QStringLiteral("later");
    };
    const struct {
        std::function<QString()> ask;
        std::function<void(QMessageBox*)> act;
        QString expected;
    } cases[] = {
        {yesNo(kalidor::AskToDiscard), press(Qt::Key_Return), "no"},
        {yesNo(kalidor::AskQuestionYesFirst), press(Qt::Key_Return), "yes"},
        {restore, press(Qt::Key_Return), "restore"},
        {restore, press(Qt::Key_Escape), "later"},
        {restore, closeBox, "later"},
        {restore, click(kalidor::kLaterButton), "later"},
        {restore, click(kalidor::kDiscardButton), "discard"},
    };
    for (const auto& c : cases) {
        QTimer act;
        connect(&act, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) c.act(box);
        });
        act.start(20);
        QCOMPARE(c.ask(), c.expected);
    }
}

void MainWindowTest::recoveryCopyFollowsTheUnsavedEdits() {
    kalidor::uitest::ScratchWorkspace workspace;
    Run run(workspace.baseDir());
    run.open();
    const std::string copy = run.home + "recovery/copy.dat";
    run.edit();
    QTRY_VERIFY(fs::exists(copy));
    run.window->pngBtnSaveProjectClick();
    QTRY_VERIFY(!fs::exists(copy));
    // Marked changed by a dialog's Cancel, the project a save would write is the saved one:
    // no copy is written.
    run.window->Edit("時間設定", [] {}, kalidor::EditOptions::MarkingAnyway());
    QVERIFY(run.window->Modified);
    run.window->Recovery->KeepNow();
    QVERIFY(!fs::exists(copy));
    run.edit("added2.jpg");
    QTRY_VERIFY(fs::exists(copy));
    run.window->Recovery->KeepNow();  // the picture is in the copy too
    // Leaving the project with Yes lets the edits go: their copy, the picture they added, and the
    // project itself, whose later changes nothing writes.
    run.answer = true;
    QVERIFY(run.window->SwitchPage(0));
    QTRY_VERIFY(!fs::exists(run.home + "recovery"));
    QVERIFY(!fs::exists(run.dir + "added2.jpg"));
    QVERIFY(run.window->Project.ProjectDir.empty());
    QCOMPARE(run.window->Project.Count(), 0);
    run.window->Recovery->KeepNow();
    QVERIFY(!fs::exists(run.home + "recovery"));
    // Ending with a Yes to the question lets the edits go too.
    run.open();
    run.edit("added3.jpg");
    QTRY_VERIFY(fs::exists(copy));
    run.window->show();
    QVERIFY(run.window->close());
    QTRY_VERIFY(!fs::exists(copy));
}

void MainWindowTest::recoveryCopyIsOfferedAtTheNextStart() {
    using kalidor::RecoveryAnswer;
    const struct {
        const char* name;
        std::optional<RecoveryAnswer> answer;  // none: the copy is damaged, nothing is asked
        bool opened, addedBack;
        QString copies;  // the copies left to offer: the live one, deferred ones
    } cases[] = {
        {"restore", RecoveryAnswer::Restore, true, true, "recovery"},
        {"discard", RecoveryAnswer::Discard, false, false, ""},
        {"later", RecoveryAnswer::Later, false, false, "deferred-"},
        {"damaged", std::nullopt, false, false, ""},
    };
    for (const auto& c : cases) {
        kalidor::uitest::ScratchWorkspace workspace;
        {
            // Ended from outside (a signal, a logout): the copy keeps the edits.
            Run killed(workspace.baseDir());
            killed.open();
            killed.edit();
            killed.window->Recovery->KeepNow();
        }
        Run run(workspace.baseDir());
        QVERIFY2(!fs::exists(run.dir + "added.jpg"), c.name);
        fs::create_directories(run.dir + "tmp");  // a dead export's frames
        writeText(run.dir + "tmp/000001.jpg", "");
        if (!c.answer) flipLastByte(run.home + "recovery/copy.dat");
        run.restoreAnswer = c.answer.value_or(RecoveryAnswer::Restore);
        run.window->OfferRecovery();
        QCOMPARE(run.questions.size(), c.answer ? 1 : 0);
        QCOMPARE(run.window->Project.ProjectDir == run.dir, c.opened);
        QCOMPARE(fs::exists(run.dir + "added.jpg"), c.addedBack);
        QCOMPARE(fs::exists(run.dir + "tmp"), !c.opened);
        if (c.opened) {
            QCOMPARE(run.window->Project.Items(0).Text, std::string("控えの文字"));
            QVERIFY(run.window->Modified);
        }
        QStringList left;
        for (const std::string& folder : kalidor::rules::RecoveryCopiesIn(run.home))
            left << QString::fromStdString(folder).left(c.copies.size());
        QCOMPARE(left.join(','), c.copies);
        if (!c.answer) {
            // Set aside for the user, and named.
            QCOMPARE(run.notices.size(), 1);
            const QString aside = run.notices[0].section(QStringLiteral("\r\n"), -1);
            QVERIFY2(aside.contains("recovery-") && fs::exists(aside.toStdString() + "copy.dat"), qPrintable(aside));
        }
        if (c.answer == RecoveryAnswer::Later) {
            // Put off, it is asked about again at the next start, also after this run kept its own.
            run.open();
            run.edit();
            run.window->Recovery->KeepNow();
            run.window.reset();
            Run next(workspace.baseDir());
            next.restoreAnswer = RecoveryAnswer::Later;
            next.window->OfferRecovery();
            QCOMPARE(next.questions.size(), 2);
        }
    }
}

void MainWindowTest::aFailedRecoveryWriteIsShownAndKeepsThePictures() {
    kalidor::uitest::ScratchWorkspace workspace;
    fs::create_directories(workspace.baseDir());
    writeText(workspace.baseDir() + "state", "a file where the state folder goes");
    {
        Run run(workspace.baseDir());
        run.open();
        run.edit();
        QTRY_VERIFY(!run.window->LabelRecoveryWarning->isHidden());
        QVERIFY2(run.window->LabelRecoveryWarning->text().contains(QString::fromStdString(workspace.baseDir() + "state")),
                 qPrintable(run.window->LabelRecoveryWarning->text()));
        run.window->Recovery->KeepNow();
    }
    // Ended with no copy of the edits, the picture they added stays in the project's folder.
    QVERIFY(fs::exists(workspace.baseDir() + "Orvane/Kalidor/project/例/added.jpg"));
    fs::remove(workspace.baseDir() + "state");
    Run run(workspace.baseDir());
    run.open();
    run.edit();
    run.window->LabelRecoveryWarning->show();
    QTRY_VERIFY(run.window->LabelRecoveryWarning->isHidden());
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
        // The buttons have no images: the hint does not send the user to them.
        QCOMPARE(h.window.TabSheetSelectProject->LabelFirstSteps->text(), QString::fromUtf8(kalidor::kWorkspaceProblemHint));
        // A screen reader hears the hint as the empty list's description.
        QCOMPARE(h.window.TabSheetSelectProject->LVProject->accessibleDescription(),
                 QString::fromUtf8(kalidor::kWorkspaceProblemHint));
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
