#include "movie_test_support.h"

#include "desktop/pages/project_list_model.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <fstream>

using kalidor::uitest::MovieHarness;
namespace fs = std::filesystem;

class SaveCommandTest : public QObject {
    Q_OBJECT
private slots:
    void save_data();
    void save();
    void openingShowsTheProjectsSettings();
};

void SaveCommandTest::save_data() {
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QStringList>("left");  // the folder's entries afterwards
    QTest::addColumn<bool>("modified");
    const QStringList before{"PIC0.png", "old.jpg", "pic0.png", "pic1.png", "tmp"};
    QTest::newRow("No changes nothing") << false << true << before << true;
    // Picture files the project never named are not its copies: they stay.
    QTest::newRow("Yes saves and keeps what the project never named")
        << true << true << QStringList{"PIC0.png", "old.jpg", "pic0.png", "pic1.png", "project.dat", "thum.bmp", "tmp"}
        << false;
    // project.dat a folder: the file cannot be put in its place.
    QTest::newRow("a failed save keeps the changes mark")
        << true << false << QStringList{"PIC0.png", "old.jpg", "pic0.png", "pic1.png", "project.dat", "tmp"} << true;
}

void SaveCommandTest::save() {
    QFETCH(bool, answer);
    QFETCH(bool, writable);
    QFETCH(QStringList, left);
    QFETCH(bool, modified);
    MovieHarness h;
    h.answer = answer;
    auto& w = h.window;
    const std::string dir = h.openProject(2);
    // Picture files the project never named, one differing only in case, and a subfolder with a file.
    for (const char* name : {"old.jpg", "PIC0.png", "tmp/0.bmp"}) {
        fs::create_directories(fs::path(dir + name).parent_path());
        std::ofstream(dir + name) << "x";
    }
    w.TabSheetSaveMovie->SEMovWidth->setValue(800);
    QVERIFY(w.Modified);
    if (!writable) fs::create_directories(dir + "project.dat/x");
    w.pngBtnSaveProjectClick();

    QStringList entries;
    for (const auto& entry : fs::directory_iterator(dir)) entries << QString::fromStdString(entry.path().filename());
    entries.sort();
    QCOMPARE(entries, left);
    QVERIFY(fs::exists(dir + "tmp/0.bmp"));
    QCOMPARE(w.Modified, modified);
    QVERIFY(w.isEnabled());
    QCOMPARE(h.questions, QStringList{QStringLiteral("現在のプロジェクトを保存しますか？")});
    QCOMPARE(h.notices.size(), answer ? 1 : 0);
    if (answer && writable) {
        QCOMPARE(h.notices.first(), QStringLiteral("保存しました"));
        kalidor::TThPicObjectManager reread;
        reread.LoadProject(dir + "project.dat");
        QCOMPARE(reread.MovWidth, 800);
        QCOMPARE(reread.Count(), 2);
    }
    if (answer && !writable) QVERIFY(h.notices.first() != QStringLiteral("保存しました"));
}

// Else a save right after opening would store the page of the project opened before.
void SaveCommandTest::openingShowsTheProjectsSettings() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(1);
    w.Project.MovType = 1;
    w.Project.MovWidth = 800;
    w.Project.SaveFilePath = "/m/x.AVI";
    w.Project.SaveProject();
    w.Project.ResetSettings();
    h.showSettings();
    w.TabSheetSelectProject->RefillProjectList();
    QTRY_COMPARE(w.TabSheetSelectProject->ProjectModel->rowCount(), 1);
    w.TabSheetSelectProject->Select(0);
    w.TabSheetSelectProject->OpenSelectedProject();
    QCOMPARE(w.TabSheetSaveMovie->SEMovWidth->value(), 800);
    QVERIFY(w.TabSheetSaveMovie->RBMovTypeAVI->isChecked());
    QCOMPARE(w.TabSheetSaveMovie->EditSaveFilePath->text(), QStringLiteral("/m/x.AVI"));
    QVERIFY(!w.Modified);
}

QTEST_MAIN(SaveCommandTest)
#include "save_command_test.moc"
