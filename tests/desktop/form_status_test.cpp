#include "movie_test_support.h"
#include "render/export_result.h"
#include "desktop/dialogs/form_status.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QtTest>

#include <fstream>
#include <iterator>

using kalidor::TFormStatus;
using kalidor::uitest::MovieHarness;

namespace {

struct Buttons {
    bool cancel, open, close;
};
Buttons buttonsOf(const TFormStatus& s) { return {s.BtnCancel->isEnabled(), s.BtnOpenDir->isEnabled(), s.BtnClose->isEnabled()}; }
bool operator==(Buttons a, Buttons b) { return a.cancel == b.cancel && a.open == b.open && a.close == b.close; }

}  // namespace

class FormStatusTest : public QObject {
    Q_OBJECT
private slots:
    void counterAndCancel();
    void openFolderSaysWhyItCannot();
    void endings_data();
    void endings();
    void realExportThroughTheWindow_data();
    void realExportThroughTheWindow();
};

void FormStatusTest::counterAndCancel() {
    TFormStatus status;
    QCOMPARE(status.windowTitle(), QStringLiteral("状況"));
    QCOMPARE(status.LabelStatus->text(), QString());
    status.SetProgressRange(0, 9);
    status.ShowStatusText("画像を動画サイズに変換中・・・", true);
    QCOMPARE(status.LabelStatus->text(), QStringLiteral("画像を動画サイズに変換中・・・ (1/10)"));
    status.SetProgressPosition(9);
    status.ShowStatusText("x", true);
    QCOMPARE(status.LabelStatus->text(), QStringLiteral("x (10/10)"));
    QCOMPARE(status.ProgressBarStatus->value(), 9);

    status.BeginExport("/m/");
    status.show();
    QVERIFY(buttonsOf(status) == (Buttons{true, false, false}));
    QStringList asked;
    bool answer = false;
    status.question = [&](QWidget*, const QString& text) {
        asked << text;
        return answer;
    };
    status.BtnCancel->click();
    QVERIFY(!status.Cancelled());
    answer = true;
    status.BtnCancel->click();
    QVERIFY(status.Cancelled());
    // Not closed by the title bar's close (a spontaneous close event); Escape and Enter stand
    // for the buttons: the cancel question while it runs, Close once it has finished.
    QCloseEvent fromTitleBar;
    QSpontaneKeyEvent::setSpontaneous(&fromTitleBar);
    QCoreApplication::sendEvent(&status, &fromTitleBar);
    QTest::keyClick(&status, Qt::Key_Return);
    QTest::keyClick(&status, Qt::Key_Escape);
    QCOMPARE(asked, QStringList(3, QStringLiteral("キャンセルしてよろしいですか？")));
    QVERIFY(status.isVisible());
    // Once the movie is being put in place, no cancel can be asked, not even by Escape.
    status.CancelClosed();
    QVERIFY(buttonsOf(status) == (Buttons{false, false, false}));
    QTest::keyClick(&status, Qt::Key_Escape);
    QCOMPARE(asked.size(), 3);
    QVERIFY(status.isVisible());
    status.SetFinished(true);
    QSignalSpy closed(&status, &TFormStatus::closed);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        status.show();
        QTest::keyClick(&status, key);
        QVERIFY(!status.isVisible());
    }
    QCOMPARE(closed.count(), 2);
    QCOMPARE(asked.size(), 3);
}

// The launcher as found on PATH: one that opens, one that ends with "no method available" (3),
// none at all. Each failure is said, with the folder; the window waits for none of them.
void FormStatusTest::openFolderSaysWhyItCannot() {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    struct Case {
        const char* script;  // the launcher's body, or none
        const char* reason;  // what the notice says; empty: no notice
    } const cases[] = {
        {"echo \"$1\" > \"${0%/*}/opened\"", ""},
        {"echo \"xdg-open: no method available for opening '$1'\" >&2; exit 3",
         "xdg-open ended with exit status 3 (no method available: no file manager is set up to open folders)"},
        {nullptr, "no program to open folders was found (xdg-open, from xdg-utils)"},
    };
    for (const Case& c : cases) {
        QFile::remove(bin.filePath("xdg-open"));
        if (c.script) {
            QFile launcher(bin.filePath("xdg-open"));
            QVERIFY(launcher.open(QIODevice::WriteOnly));
            launcher.write(QByteArray("#!/bin/sh\n") + c.script + "\n");
            launcher.close();
            launcher.setPermissions(launcher.permissions() | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toLocal8Bit());
        TFormStatus status;
        QStringList notices;
        status.notice = [&](QWidget*, const QString& text) { notices << text; };
        status.SetSaveFolder("/m/");
        status.BtnOpenDir->setEnabled(true);
        status.BtnOpenDir->click();
        const QString reason = QString::fromUtf8(c.reason);
        if (reason.isEmpty()) {
            QTRY_VERIFY(QFile::exists(bin.filePath("opened")));
            QTest::qWait(100);
            QCOMPARE(notices, QStringList());
        } else {
            QTRY_COMPARE(notices, QStringList(QStringLiteral("保存先のフォルダを開けませんでした\n") + reason + ": /m/"));
        }
    }
}

void FormStatusTest::endings_data() {
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<bool>("succeeded");
    QTest::addColumn<bool>("diskShort");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("open");
    QTest::newRow("cancel wins over success") << true << true << false << "" << "処理をキャンセルしました" << false;
    QTest::newRow("completed") << false << true << false << "" << "処理が完了しました" << true;
    QTest::newRow("disk short") << false << false << true << ""
                                << "テンポラリのディスク容量が足りないため処理を中止しました" << false;
    QTest::newRow("failed with its reason") << false << false << false << "cannot open /p/b.jpg"
                                            << "処理が失敗しました\ncannot open /p/b.jpg" << false;
}

void FormStatusTest::endings() {
    QFETCH(bool, cancelled);
    QFETCH(bool, succeeded);
    QFETCH(bool, diskShort);
    QFETCH(QString, reason);
    QFETCH(QString, label);
    QFETCH(bool, open);
    QTemporaryDir project;
    const std::string dir = project.path().toStdString() + "/";
    QVERIFY(QDir().mkpath(project.path() + "/tmp/sub"));
    TFormStatus status;
    status.BeginExport(dir);
    status.SetProgressRange(0, 20);
    status.SetProgressPosition(7);
    kalidor::ExportFlags flags{succeeded, diskShort, kalidor::Message::Verbatim(reason.toStdString())};
    flags.Cancelled = cancelled;
    kalidor::FinishExport(dir, status, flags);
    QCOMPARE(status.LabelStatus->text(), label);
    QVERIFY(buttonsOf(status) == (Buttons{false, open, true}));
    QCOMPARE(status.ProgressBarStatus->value(), 7);
    QVERIFY(!QDir(project.path() + "/tmp").exists());
}

void FormStatusTest::realExportThroughTheWindow_data() {
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("askedToTheEnd");  // the question stays open until the movie is made
    QTest::addColumn<bool>("answer");
    QTest::newRow("completed") << false << false << false;
    QTest::newRow("cancelled") << true << false << true;
    QTest::newRow("asked until the movie is made, yes") << true << true << true;
    QTest::newRow("asked until the movie is made, no") << true << true << false;
}

// Two pictures at 134 x 100 through the page, the render thread and the encoder, over a movie
// made before.
void FormStatusTest::realExportThroughTheWindow() {
    QFETCH(bool, cancel);
    QFETCH(bool, askedToTheEnd);
    QFETCH(bool, answer);
    MovieHarness h;
    const std::string dir = h.openProject(2, 1);
    auto& w = h.window;
    w.TabSheetSaveMovie->SEMovHeight->setValue(100);
    const std::string movie = h.workspace.baseDir() + "out/movie.MP4";
    w.Project.SaveFilePath = movie;
    h.showSettings();
    QVERIFY(QDir().mkpath(QString::fromStdString(h.workspace.baseDir() + "out")));
    std::ofstream(movie) << "the old movie";
    const auto oldMovieThere = [&] {
        std::ifstream in(movie);
        return std::string(std::istreambuf_iterator<char>(in), {}) == "the old movie";
    };
    TFormStatus* status = w.TabSheetSaveMovie->StatusForm();
    status->openFolder = [](const QString&, std::function<void(const QString&)>) {};
    // The question as the user leaves it open: the export goes on behind it meanwhile.
    bool heldWhileAsked = false, oldKeptWhileAsked = false;
    status->question = [&](QWidget*, const QString&) {
        if (askedToTheEnd) {
            QSignalSpy held(status, &TFormStatus::movieHeld);
            heldWhileAsked = held.wait(60000);
            oldKeptWhileAsked = oldMovieThere();
        }
        return answer;
    };
    kalidor::uitest::click(w.TabSheetSaveMovie->pngBtnMakeMov);
    QVERIFY2(!w.isEnabled(), qPrintable(h.notices.join('\n')));
    QVERIFY(status->isVisible() && status->isEnabled());
    // The close box does nothing while it runs: Cancel is the way out.
    QVERIFY(w.TabSheetSaveMovie->Exporting());
    QVERIFY(!w.close());
    if (cancel) status->BtnCancel->click();
    QVERIFY(heldWhileAsked == askedToTheEnd && oldKeptWhileAsked == askedToTheEnd);
    // The window's loop turns while the thread works: the label follows it.
    QTRY_VERIFY_WITH_TIMEOUT(!w.TabSheetSaveMovie->Exporting(), 60000);
    const bool cancelled = cancel && answer;
    const QString result = cancelled ? QStringLiteral("処理をキャンセルしました") : QStringLiteral("処理が完了しました");
    QCOMPARE(status->LabelStatus->text(), result);
    QVERIFY(buttonsOf(*status) == (Buttons{false, !cancelled, true}));
    QCOMPARE(oldMovieThere(), cancelled);
    QVERIFY(std::filesystem::file_size(movie) > 1000 || cancelled);
    QCOMPARE(std::distance(std::filesystem::directory_iterator(h.workspace.baseDir() + "out"), {}), 1);
    QVERIFY(!std::filesystem::exists(dir + "tmp"));
    QVERIFY(!w.isEnabled());
    status->BtnClose->click();
    QVERIFY(w.isEnabled() && !status->isVisible());
}

QTEST_MAIN(FormStatusTest)
#include "form_status_test.moc"
