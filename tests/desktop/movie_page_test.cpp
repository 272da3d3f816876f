#include "model/export_start.h"
#include "movie_test_support.h"
#include "desktop/dialogs/form_status.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include <fstream>

using kalidor::uitest::MovieHarness;

class MoviePageTest : public QObject {
    Q_OBJECT
private slots:
    void sizeFollowsTheRatio_data();
    void sizeFollowsTheRatio();
    void visitsAndChosenChoicesAreNoEdits_data();
    void visitsAndChosenChoicesAreNoEdits();
    void movieExtension_data();
    void movieExtension();
    void musicControls();
    void exportChecks_data();
    void exportChecks();
};

void MoviePageTest::sizeFollowsTheRatio_data() {
    QTest::addColumn<bool>("wide");
    QTest::addColumn<bool>("editWidth");
    QTest::addColumn<int>("value");
    QTest::addColumn<QSize>("size");
    QTest::newRow("4:3 w640") << false << true << 640 << QSize(640, 480);
    QTest::newRow("4:3 w642") << false << true << 642 << QSize(642, 482);
    QTest::newRow("4:3 w100") << false << true << 100 << QSize(100, 76);
    QTest::newRow("4:3 odd w641") << false << true << 641 << QSize(642, 482);
    QTest::newRow("4:3 h100") << false << false << 100 << QSize(134, 100);
    QTest::newRow("16:9 w640") << true << true << 640 << QSize(640, 360);
    QTest::newRow("16:9 w642") << true << true << 642 << QSize(642, 362);
    QTest::newRow("16:9 w1920") << true << true << 1920 << QSize(1920, 1080);
    QTest::newRow("16:9 h480") << true << false << 480 << QSize(854, 480);
    QTest::newRow("16:9 h362") << true << false << 362 << QSize(644, 362);
    QTest::newRow("below 100 is kept") << false << true << 40 << QSize(40, 30);
}

void MoviePageTest::sizeFollowsTheRatio() {
    QFETCH(bool, wide);
    QFETCH(bool, editWidth);
    QFETCH(int, value);
    QFETCH(QSize, size);
    MovieHarness h;
    h.openProject(0);
    auto& w = h.window;
    if (wide) w.TabSheetSaveMovie->RBRaito16_9->click();
    (editWidth ? w.TabSheetSaveMovie->SEMovWidth : w.TabSheetSaveMovie->SEMovHeight)->setValue(value);
    QCOMPARE(QSize(w.TabSheetSaveMovie->SEMovWidth->value(), w.TabSheetSaveMovie->SEMovHeight->value()), size);
    QCOMPARE(QSize(w.Project.MovWidth, w.Project.MovHeight), size);
    QCOMPARE(int(w.Project.MovRatio), wide ? 1 : 0);
    QVERIFY(w.Modified || QSize(640, 480) == size);  // 640 x 480 was there: no change
    // The ratio back and forth recomputes the height from the width.
    w.TabSheetSaveMovie->SEMovWidth->setValue(640);
    w.TabSheetSaveMovie->RBRaito16_9->click();
    QCOMPARE(w.TabSheetSaveMovie->SEMovHeight->value(), 360);
    w.TabSheetSaveMovie->RBRaito4_3->click();
    QCOMPARE(w.TabSheetSaveMovie->SEMovHeight->value(), 480);
}

void MoviePageTest::visitsAndChosenChoicesAreNoEdits_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("modified");
    // A project file's 640 x 500 is no coupled size: only a real change may couple it.
    QTest::newRow("width box visited") << "width" << QSize(640, 500) << false;
    QTest::newRow("height box visited") << "height" << QSize(640, 500) << false;
    QTest::newRow("chosen format clicked") << "RBMovTypeMP4" << QSize(640, 500) << false;
    QTest::newRow("chosen ratio clicked") << "RBRaito4_3" << QSize(640, 500) << false;
    QTest::newRow("chosen quality chosen") << "quality" << QSize(640, 500) << false;
    QTest::newRow("other ratio clicked") << "RBRaito16_9" << QSize(640, 360) << true;
    QTest::newRow("other format clicked") << "RBMovTypeAVI" << QSize(640, 500) << true;
}

void MoviePageTest::visitsAndChosenChoicesAreNoEdits() {
    QFETCH(QString, action);
    MovieHarness h;
    auto& w = h.window;
    h.openProject(1);
    w.Project.MovHeight = 500;
    h.showSettings();
    w.MarkProjectSaved();
    w.SwitchPage(3);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    if (action == "width" || action == "height") {
        QSpinBox* box = action == "width" ? w.TabSheetSaveMovie->SEMovWidth : w.TabSheetSaveMovie->SEMovHeight;
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        w.TabSheetSaveMovie->CBQuality->setFocus();
        QTRY_VERIFY(!box->hasFocus());
    } else if (action == "quality") {
        w.TabSheetSaveMovie->CBQuality->activated(w.TabSheetSaveMovie->CBQuality->currentIndex());
    } else {
        auto* button = w.findChild<QRadioButton*>(action);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    QTEST(QSize(w.Project.MovWidth, w.Project.MovHeight), "size");
    QTEST(QSize(w.TabSheetSaveMovie->SEMovWidth->value(), w.TabSheetSaveMovie->SEMovHeight->value()), "size");
    QTEST(w.Modified, "modified");
    QTEST(w.HasUnsavedChanges(), "modified");
}

void MoviePageTest::movieExtension_data() {
    QTest::addColumn<QString>("format");  // the format button clicked first
    QTest::addColumn<QString>("path");    // in the project when opened
    QTest::addColumn<QString>("chosen");  // the movie dialog's answer, or nothing
    QTest::addColumn<QString>("then");    // the format button clicked afterwards, or nothing
    QTest::addColumn<QString>("shown");
    QTest::newRow("MP4 to AVI keeps folder and name") << "RBMovTypeMP4" << "/m/a b.MP4" << "" << "RBMovTypeAVI"
                                                      << "/m/a b.AVI";
    QTest::newRow("no path stays empty") << "RBMovTypeMP4" << "" << "" << "RBMovTypeAVI" << "";
    QTest::newRow(".mpeg shown as .MPG") << "RBMovTypeMPEG" << "" << "/m/c.mpeg" << "" << "/m/c.MPG";
    QTest::newRow("MPEG without extension") << "RBMovTypeMPEG" << "" << "/m/c" << "" << "/m/c.MPG";
    QTest::newRow("AVI name while MP4 gets .MP4 after") << "RBMovTypeMP4" << "" << "/m/d.avi" << ""
                                                        << "/m/d.avi.MP4";
}

void MoviePageTest::movieExtension() {
    QFETCH(QString, format);
    QFETCH(QString, path);
    QFETCH(QString, chosen);
    QFETCH(QString, then);
    QFETCH(QString, shown);
    MovieHarness h;
    h.openProject(0);
    h.window.Project.SaveFilePath = path.toStdString();
    h.showSettings();
    QString filter;
    h.window.TabSheetSaveMovie->SaveDialogMov = [&](QWidget*, const QString& f) {
        filter = f;
        return chosen;
    };
    h.window.findChild<QRadioButton*>(format)->click();
    if (!chosen.isEmpty()) {
        h.window.TabSheetSaveMovie->BtnSelectSaveDir->click();
        // The filter takes the extension in both cases.
        const QString ext = format == "RBMovTypeMPEG" ? "MPG" : "MP4";
        QVERIFY2(filter.contains("*." + ext) && filter.contains("*." + ext.toLower()), qPrintable(filter));
    }
    if (!then.isEmpty()) h.window.findChild<QRadioButton*>(then)->click();
    QCOMPARE(h.window.TabSheetSaveMovie->EditSaveFilePath->text(), shown);
    QCOMPARE(QString::fromStdString(h.window.Project.SaveFilePath), shown);
}

void MoviePageTest::musicControls() {
    MovieHarness h;
    h.openProject(0);
    auto& w = h.window;
    QString filter;
    w.TabSheetSaveMovie->OpenDialogMusicFile = [&](QWidget*, const QString& f) {
        filter = f;
        return QStringLiteral("/music/song.mp3");
    };
    QVERIFY(!w.TabSheetSaveMovie->EditMusicFilePath->isEnabled() && !w.TabSheetSaveMovie->BtnSelectMusicFile->isEnabled());
    w.TabSheetSaveMovie->CBUseMusic->click();
    QVERIFY(w.TabSheetSaveMovie->EditMusicFilePath->isEnabled() && w.TabSheetSaveMovie->BtnSelectMusicFile->isEnabled());
    w.TabSheetSaveMovie->BtnSelectMusicFile->click();
    QVERIFY(filter.contains("*.MP3") && filter.contains("*.aac"));
    QCOMPARE(QString::fromStdString(w.Project.MusicFilePath), QStringLiteral("/music/song.mp3"));
    w.TabSheetSaveMovie->CBUseMusic->click();
    QVERIFY(!w.TabSheetSaveMovie->EditMusicFilePath->isEnabled() && !w.TabSheetSaveMovie->BtnSelectMusicFile->isEnabled());
    QCOMPARE(w.TabSheetSaveMovie->EditMusicFilePath->text(), QStringLiteral("/music/song.mp3"));
    QVERIFY(!w.Project.UseMusic);
}

void MoviePageTest::exportChecks_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("music");    // music used, its file missing
    QTest::addColumn<QString>("movie");  // relative to the scratch folder; "" none
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("notice");  // "" none
    QTest::addColumn<bool>("started");
    const QString small = QStringLiteral("動画のサイズは100x100以上にしてください");
    const QString big = QStringLiteral("動画のサイズは2000x2000以下にしてください");
    QTest::newRow("width 98") << QSize(98, 100) << true << "" << false << true << small << false;
    QTest::newRow("height 2002 before music") << QSize(2000, 2002) << true << "" << false << true << big << false;
    QTest::newRow("music missing before path") << QSize(100, 100) << true << "" << false << true
                                               << QStringLiteral("指定された音楽ファイルが見つかりません") << false;
    QTest::newRow("no path") << QSize(2000, 2000) << false << "" << false << true
                             << QStringLiteral("保存場所を指定してください") << false;
    QTest::newRow("double quote") << QSize(100, 100) << false << "a\"b.MP4" << false << true << "?" << false;
    QTest::newRow("overwrite No") << QSize(100, 100) << false << "old.MP4" << true << false << "" << false;
    QTest::newRow("overwrite Yes") << QSize(100, 100) << false << "new/old.MP4" << true << true << "" << true;
}

void MoviePageTest::exportChecks() {
    QFETCH(QSize, size);
    QFETCH(bool, music);
    QFETCH(QString, movie);
    QFETCH(bool, exists);
    QFETCH(bool, answer);
    QFETCH(QString, notice);
    QFETCH(bool, started);
    MovieHarness h;
    h.answer = answer;
    auto& p = h.window.Project;
    h.openProject(0);
    p.MovWidth = size.width();
    p.MovHeight = size.height();
    p.UseMusic = music;
    p.MusicFilePath = h.workspace.baseDir() + "none.mp3";
    const std::string moviePath = movie.isEmpty() ? "" : h.workspace.baseDir() + movie.toStdString();
    p.SaveFilePath = moviePath;
    if (exists) {
        std::filesystem::create_directories(std::filesystem::path(moviePath).parent_path());
        std::ofstream(moviePath) << "old";
    }
    h.showSettings();
    kalidor::uitest::click(h.window.TabSheetSaveMovie->pngBtnMakeMov);
    if (notice == "?")
        QCOMPARE(h.notices.size(), 1);
    else
        QCOMPARE(h.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
    QCOMPARE(h.questions,
             exists ? QStringList{QString::fromStdString(kalidor::OverwriteQuestion(moviePath).Japanese())} : QStringList());
    QCOMPARE(h.window.TabSheetSaveMovie->Exporting() || h.window.TabSheetSaveMovie->StatusForm()->isVisible(), started);
    QCOMPARE(h.window.isEnabled(), !started);
    if (started) {
        QCOMPARE(h.window.TabSheetSaveMovie->StatusForm()->SaveFolder(), h.workspace.baseDir() + "new/");
        QVERIFY(h.window.TabSheetSaveMovie->StatusForm()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!h.window.TabSheetSaveMovie->Exporting(), 30000);
        QCOMPARE(h.window.TabSheetSaveMovie->StatusForm()->StatusLabel(), std::string("処理が完了しました"));
    }
}

QTEST_MAIN(MoviePageTest)
#include "movie_page_test.moc"
