#include "model/project_list.h"
#include "model/project_tile_layout.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/dialogs/form_project_name.h"
#include "desktop/pages/project_item_delegate.h"
#include "desktop/pages/project_list_model.h"
#include "desktop/ui_test_support.h"

#include <QLineEdit>
#include <QPainter>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QtTest>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using kalidor::TFormMakeMovie;
using kalidor::TFormProjectName;

namespace {

struct Harness : kalidor::uitest::RecordedMessages {
    kalidor::uitest::ScratchWorkspace workspace;
    TFormMakeMovie window{workspace.baseDir(), kalidor::uitest::ScratchWorkspace::dataDir()};
    TFormProjectName dialog{&window};
    explicit Harness(bool withProjects = true) {
        const fs::path root = workspace.projectRoot();
        fs::create_directories(root);
        if (withProjects) {
            fs::copy(KALIDOR_SOURCE_DATA "/example", root / "夏");
            fs::create_directory(root / "壊れた");
            std::ofstream(root / "壊れた" / "project.dat") << "damaged";
            fs::copy_file(KALIDOR_SOURCE_DATA "/example/thum.bmp", root / "壊れた" / "thum.bmp");
            fs::create_directory(root / "手作り");  // made by hand: no thumbnail
        }
        record(window);
        dialog.notice = window.notice;
        window.SetProjectNameForm(&dialog);
        window.FormCreate();
    }
    int rowOf(const QString& name) const {
        for (int row = 0; row < window.TabSheetSelectProject->ProjectModel->rowCount(); ++row)
            if (window.TabSheetSelectProject->ProjectModel->index(row).data().toString() == name) return row;
        return -1;
    }
    // Runs a modal name dialog: types the name and presses the make button, or cancels.
    void answerDialog(const QString& name, bool make = true) {
        QTimer::singleShot(0, &dialog, [this, name, make] {
            dialog.EditProjectName->setText(name);
            (make ? dialog.BtnMake : dialog.BtnCancel)->click();
            // A refused name keeps the dialog open; cancel it so the modal loop ends.
            if (dialog.isVisible()) dialog.BtnCancel->click();
        });
    }
};

}  // namespace

class ProjectPageTest : public QObject {
    Q_OBJECT
private slots:
    void listsEveryFolderAndLoadsThumbnailsOffTheGuiThread();
    void emptyRootGivesAnEmptyListAndProgressMaximumOne();
    void nameDialogChecks_data();
    void nameDialogChecks();
    void newRenameDelete();
    void openingShowsTheReasonOrGoesToThePicturePage();
    void commandsNeedASelection();
    void delegateDrawsThumbnailAndNameInTheBox();
};

void ProjectPageTest::listsEveryFolderAndLoadsThumbnailsOffTheGuiThread() {
    Harness h;
    auto* model = h.window.TabSheetSelectProject->ProjectModel;
    QTRY_VERIFY(!model->Loading());
    QCOMPARE(model->rowCount(), 3);
    const int good = h.rowOf("夏"), damaged = h.rowOf("壊れた"), bare = h.rowOf("手作り");
    QVERIFY(model->Problem(good).isEmpty());
    QCOMPARE(model->index(good).data(kalidor::ProjectListModel::ThumbnailRole).value<QImage>().width(), 148);
    QVERIFY(model->Problem(damaged).contains("project.dat"));
    QVERIFY(model->Problem(bare).contains("thum.bmp"));
    QVERIFY(model->index(damaged).data(kalidor::ProjectListModel::ThumbnailRole).value<QImage>().isNull());
    QCOMPARE(h.window.ProgressBarStatus->maximum(), 2);
    QCOMPARE(h.window.ProgressBarStatus->value(), 0);
}

void ProjectPageTest::emptyRootGivesAnEmptyListAndProgressMaximumOne() {
    Harness h(false);
    QTRY_VERIFY(!h.window.TabSheetSelectProject->ProjectModel->Loading());
    QCOMPARE(h.window.TabSheetSelectProject->ProjectModel->rowCount(), 0);
    QCOMPARE(h.window.ProgressBarStatus->maximum(), 1);
}

void ProjectPageTest::nameDialogChecks_data() {
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::newRow("blank") << false << " " << QStringLiteral("プロジェクト名を入力してください");
    QTest::newRow("exists") << false << "夏" << QStringLiteral("「夏」は既に存在するプロジェクトです");
    QTest::newRow("unchanged rename") << true << "夏" << QStringLiteral("「夏」は既に存在するプロジェクトです");
    QTest::newRow("slash") << false << "a/b" << QStringLiteral("プロジェクト名に「\\/:*?\"<>|」の文字は使用できません");
    QTest::newRow("11 full-width") << false << "一二三四五六七八九十壱" << QStringLiteral("プロジェクト名は全角10文字以内で入力してください");
    QTest::newRow("10 full-width, 0x5C trail") << false << "ソ表一二三四五六七八" << QString();
    QTest::newRow("new") << false << "新作" << QString();
}

void ProjectPageTest::nameDialogChecks() {
    QFETCH(bool, rename);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Harness h;
    h.dialog.SetProjectRoot(h.window.ProjectRoot());
    h.dialog.Prepare(rename ? TFormProjectName::Mode::Rename : TFormProjectName::Mode::New, "夏");
    QCOMPARE(h.dialog.windowTitle(), rename ? QStringLiteral("プロジェクト名変更") : QStringLiteral("プロジェクト新規作成"));
    QCOMPARE(h.dialog.BtnMake->text(), rename ? QStringLiteral("変更") : QStringLiteral("作成"));
    QCOMPARE(h.dialog.EditProjectName->text(), rename ? QStringLiteral("夏") : QString());
    h.answerDialog(name);
    const int result = h.dialog.exec();
    if (message.isEmpty()) {
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(h.notices.isEmpty());
    } else {
        // The dialog stayed open after the message, until the cancel.
        QCOMPARE(h.notices, QStringList{message});
        QCOMPARE(result, int(QDialog::Rejected));
    }
}

void ProjectPageTest::newRenameDelete() {
    Harness h;
    const fs::path root = h.window.ProjectRoot();
    QTRY_VERIFY(!h.window.TabSheetSelectProject->ProjectModel->Loading());
    h.answerDialog("新作");
    h.window.TabSheetSelectProject->MakeProject();
    QVERIFY(fs::exists(root / "新作" / "thum.bmp"));
    QVERIFY(!fs::exists(root / "新作" / "project.dat"));
    QCOMPARE(h.window.TabSheetSelectProject->ProjectModel->rowCount(), 4);
    // The new project is the chosen one, ready for "open".
    QCOMPARE(h.window.TabSheetSelectProject->SelectedRow(), h.rowOf("新作"));

    h.answerDialog("改名");
    h.window.TabSheetSelectProject->RenameSelectedProject();
    QVERIFY(fs::exists(root / "改名" / "thum.bmp"));
    QVERIFY(!fs::exists(root / "新作"));

    h.window.TabSheetSelectProject->Select(h.rowOf("改名"));
    h.answer = false;
    h.window.TabSheetSelectProject->DeleteSelectedProject();
    QCOMPARE(h.questions, QStringList{QStringLiteral("改名を削除してもよろしいですか")});
    QVERIFY(fs::exists(root / "改名"));
    h.window.TabSheetSelectProject->Select(h.rowOf("改名"));
    h.answer = true;
    h.window.TabSheetSelectProject->DeleteSelectedProject();
    QVERIFY(!fs::exists(root / "改名"));
    QCOMPARE(h.rowOf("改名"), -1);
    QCOMPARE(h.window.TabSheetSelectProject->ProjectModel->rowCount(), 3);
}

void ProjectPageTest::openingShowsTheReasonOrGoesToThePicturePage() {
    Harness h;
    QTRY_VERIFY(!h.window.TabSheetSelectProject->ProjectModel->Loading());
    // A damaged project.dat is refused with its reason; a missing thumbnail is no reason, as
    // opening never reads it.
    const fs::path broken = fs::path(h.window.ProjectRoot()) / "壊れた";
    const auto before = fs::last_write_time(broken);
    h.window.TabSheetSelectProject->Select(h.rowOf("壊れた"));
    h.window.TabSheetSelectProject->OpenSelectedProject();
    QCOMPARE(h.window.PageControl->currentIndex(), 0);
    QCOMPARE(h.notices.size(), 1);
    QVERIFY2(h.notices.takeFirst().contains("project.dat"), "壊れた");
    QCOMPARE(fs::last_write_time(broken), before);
    // The frames an export that is gone left behind (killed, or its project renamed under it) go.
    const fs::path leftover = fs::path(h.window.ProjectRoot()) / "手作り" / "tmp";
    fs::create_directory(leftover);
    std::ofstream(leftover / "000001.jpg") << "frame";
    h.window.TabSheetSelectProject->Select(h.rowOf("手作り"));
    h.window.TabSheetSelectProject->OpenSelectedProject();
    QCOMPARE(h.window.PageControl->currentIndex(), 1);
    QVERIFY(h.notices.isEmpty());
    QVERIFY(!fs::exists(leftover));
    QCOMPARE(h.window.Project.ProjectDir, h.window.ProjectRoot() + "手作り/");
    QVERIFY(h.window.SwitchPage(0));

    // A double click on an item opens it; one on the empty list asks for a project.
    h.window.show();
    h.window.resize(1200, 900);
    h.window.TabSheetSelectProject->LVProject->clearSelection();
    const QPoint empty(h.window.TabSheetSelectProject->LVProject->viewport()->width() - 5, h.window.TabSheetSelectProject->LVProject->viewport()->height() - 5);
    QVERIFY(!h.window.TabSheetSelectProject->LVProject->indexAt(empty).isValid());
    QTest::mouseDClick(h.window.TabSheetSelectProject->LVProject->viewport(), Qt::LeftButton, {}, empty);
    QCOMPARE(h.notices, QStringList{QString::fromUtf8(kalidor::kSelectProjectMessage)});
    h.notices.clear();
    // Files chosen in the browser for the previous project are not this one's to add.
    QVERIFY(h.window.TabSheetSelectPicture->PanelSelectPictureArea->SetBrowserFolder(KALIDOR_SOURCE_DATA "/example"));
    h.window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->selectAll();
    QVERIFY(!h.window.TabSheetSelectPicture->PanelSelectPictureArea->SelectedBrowserFiles().empty());
    const QModelIndex item = h.window.TabSheetSelectProject->ProjectModel->index(h.rowOf("夏"));
    const QPoint centre = h.window.TabSheetSelectProject->LVProject->visualRect(item).center();
    QTest::mouseClick(h.window.TabSheetSelectProject->LVProject->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(h.window.TabSheetSelectProject->LVProject->viewport(), Qt::LeftButton, {}, centre);
    QTRY_COMPARE(h.window.PageControl->currentIndex(), 1);
    QVERIFY(h.notices.isEmpty());
    QVERIFY(h.window.TabSheetSelectPicture->PanelSelectPictureArea->SelectedBrowserFiles().empty());
    QCOMPARE(h.window.Project.Count(), 3);
    QCOMPARE(h.window.Project.ProjectDir, h.window.ProjectRoot() + "夏/");
    QVERIFY(!h.window.Modified);
}

void ProjectPageTest::commandsNeedASelection() {
    Harness h;
    h.window.TabSheetSelectProject->RenameSelectedProject();
    h.window.TabSheetSelectProject->DeleteSelectedProject();
    h.window.TabSheetSelectProject->OpenSelectedProject();
    QCOMPARE(h.notices, QStringList(3, QStringLiteral("プロジェクトを選択してください")));
    QVERIFY(h.questions.isEmpty());
}

void ProjectPageTest::delegateDrawsThumbnailAndNameInTheBox() {
    QStandardItemModel model(1, 1);
    const QColor thumb(200, 10, 10);
    model.setData(model.index(0, 0), QString(40, QChar(0x3042)));  // far wider than the box
    model.setData(model.index(0, 0), kalidor::uitest::solidImage(111, 148, thumb), kalidor::ProjectListModel::ThumbnailRole);
    kalidor::ProjectItemDelegate delegate;
    QStyleOptionViewItem option;
    option.rect = QRect(10, 10, 170, 190);
    option.fontMetrics = QFontMetrics(option.font);
    option.palette.setColor(QPalette::Base, Qt::white);
    option.palette.setColor(QPalette::Highlight, Qt::blue);
    option.palette.setColor(QPalette::Text, Qt::black);
    option.state = QStyle::State_Selected;
    QImage canvas(200, 220, QImage::Format_RGB32);
    canvas.fill(Qt::gray);
    {
        QPainter painter(&canvas);
        delegate.paint(&painter, option, model.index(0, 0));
    }
    const QRect icon = kalidor::ProjectItemDelegate::IconRect(option.rect, option.fontMetrics);
    const int left = icon.left() + (icon.width() - 148) / 2, top = icon.top() + (icon.height() - 148) / 2;
    struct Probe {
        int x, y;
        QColor colour;
    } probes[] = {
        {left + 18, top + 5, thumb},          // portrait: 18 pixels in, at the top
        {left + 18 + 110, top + 140, thumb},
        {left + 10, top + 74, Qt::white},     // the box around it
        {left + 18 + 111 + 3, top + 74, Qt::white},
        {left, top + 74, Qt::blue},           // the 2-pixel selection outline
        {left + 147, top + 74, Qt::blue},
        {left - 2, top + 74, Qt::gray},       // nothing outside the box
    };
    for (const Probe& p : probes)
        QVERIFY2(canvas.pixelColor(p.x, p.y) == p.colour,
                 qPrintable(QStringLiteral("(%1,%2) %3").arg(p.x).arg(p.y).arg(canvas.pixelColor(p.x, p.y).name())));
    // The cut name stays within the box: no ink right of it on the name line.
    for (int y = top + 148; y < top + 148 + option.fontMetrics.height(); ++y)
        for (int x = left + 148; x < 200; ++x) QCOMPARE(canvas.pixelColor(x, y), QColor(Qt::gray));
}

QTEST_MAIN(ProjectPageTest)
#include "project_page_test.moc"
