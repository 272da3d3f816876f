#include "desktop_rules/panel_layout.h"
#include "desktop_rules/storyboard_editing.h"
#include "imaging/bmp_codec.h"
#include "imaging/freedesktop_thumbnails.h"
#include "imaging/jpeg_codec.h"
#include "desktop/dialogs/form_font_config.h"
#include "desktop/dialogs/form_time_config.h"
#include "desktop/storyboard/sharp_thumbnails.h"
#include "desktop/storyboard/story_panel.h"
#include "desktop/shared/drag_formats.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/shared/png_button.h"
#include "desktop/pages/project_list_model.h"
#include "desktop/pages/save_movie_page.h"
#include "desktop/ui_test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QWheelEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>
#include <fstream>

using kalidor::TFormMakeMovie;
using kalidor::TThPicObject;
namespace rules = kalidor::rules;
namespace fs = std::filesystem;

namespace {

// A main window over a scratch workspace with an open, empty project; messages are recorded and
// questions answered by `answer`.
struct Harness : kalidor::uitest::RecordedMessages {
    kalidor::uitest::ScratchWorkspace workspace;
    TFormMakeMovie window{workspace.baseDir(), kalidor::uitest::ScratchWorkspace::dataDir()};
    std::string sources;  // where the files to add are made
    Harness() {
        record(window);
        window.FormCreate();
        window.Project.ProjectDir = workspace.projectRoot() + "story/";
        fs::create_directories(window.Project.ProjectDir);
        sources = workspace.baseDir() + "sources/";
        fs::create_directories(sources);
        window.SwitchPage(1);
    }
    // Pictures "a", "b", ... without files, straight into the project.
    void fill(int count) {
        for (int i = 0; i < count; ++i) {
            auto picture = std::make_unique<TThPicObject>();
            picture->PicturePath = window.Project.ProjectDir + std::string(1, char('a' + i % 26)) + ".jpg";
            picture->Thumbnail = kalidor::Bitmap(105, 105);
            window.Project.Add(std::move(picture));
        }
        window.ScrollBoxPicture->RefreshStoryboard();
        window.Modified = false;
        window.MarkProjectSaved();
    }
    std::string jpeg(const std::string& name) {
        kalidor::Bitmap bitmap(40, 30);
        bitmap.fillBgr24(0x00336699);
        kalidor::jpeg::writeFile(bitmap, sources + name, 90);
        return sources + name;
    }
    std::string broken(const std::string& name) {
        std::ofstream(sources + name) << "\xFF\xD8 not really";
        return sources + name;
    }
    QString order() const {
        QStringList names;
        for (int i = 0; i < window.Project.Count(); ++i)
            names << QString::fromStdString(fs::path(window.Project.Items(i).PicturePath).stem().string());
        return names.join(' ');
    }
    QString selection() const {
        QStringList on;
        for (int i = 0; i < window.Project.Count(); ++i)
            if (window.Project.Items(i).Selected) on << QString::number(i);
        return on.join(' ');
    }
    void select(const QList<int>& indices) {
        for (int i = 0; i < window.Project.Count(); ++i) window.Project.Items(i).Selected = indices.contains(i);
        window.ScrollBoxPicture->RefreshStoryboard();
    }
    QWidget* control(rules::PanelControl control, int index) const {
        return window.ScrollBoxPicture->StoryPanels.Items(index).Control(control);
    }
    // Drags real mime data onto a widget and drops it there, as the drag-and-drop machinery
    // would (Qt delivers a drop only to a widget the drag has entered).
    static bool drop(QWidget* target, QMimeData& data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    }
    static void setFiles(QMimeData& data, const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
    }
    // Waits for an adding that has started to end.
    bool waitForAdding() {
        if (!window.ScrollBoxPicture->AddingPictures()) return true;
        QSignalSpy finished(&window.ScrollBoxPicture->PictureAdder, &kalidor::PictureAddingJob::finished);
        return finished.wait(30000);
    }
};

const QColor kSkyBlue(166, 202, 240);

}  // namespace

class StoryboardTest : public QObject {
    Q_OBJECT
private slots:
    void panelsCarryNamesTagsAndPlaces();
    void panelTexts_data();
    void panelTexts();
    void clickSelects_data();
    void clickSelects();
    void dropsOnPanels_data();
    void dropsOnPanels();
    void moveButtons_data();
    void moveButtons();
    void deleting_data();
    void deleting();
    void addingChecksAndCopies_data();
    void addingChecksAndCopies();
    void anAddingRunLeadsToNoMovie_data();
    void anAddingRunLeadsToNoMovie();
    void captionsAreStoredOrRefused();
    void modifiedMarks_data();
    void modifiedMarks();
    void stripKeepsCaretAndScrollsByWheel();
    void discardedChangesTakeTheirCopies();
    void denseScreensGetSharpThumbnails();
};

void StoryboardTest::panelsCarryNamesTagsAndPlaces() {
    Harness h;
    h.fill(10);
    h.window.show();
    QCOMPARE(h.window.ScrollBoxPicture->StoryPanels.Count(), 10);
    QCOMPARE(h.window.ScrollBoxPicture->StripContent->width(), rules::StripContentWidth(10));
    for (const rules::PanelControlLayout& layout : rules::kPanelControls) {
        QWidget* control = h.control(layout.control, 3);
        QCOMPARE(control->objectName(), QString::fromLatin1(layout.namePrefix) + "3");
        QCOMPARE(control->property(kalidor::kTagProperty).toInt(), 3);
        QCOMPARE(control->isVisible(), true);
        const int left = layout.control == rules::PanelControl::Panel ? 615 : layout.left;
        const QRect placed(left, layout.top, layout.width, layout.height);
        if (layout.control != rules::PanelControl::Number) {
            QCOMPARE(control->geometry(), placed);
            continue;
        }
        // The number grows from its place to hold all its digits.
        const QFontMetrics metrics = control->fontMetrics();
        QCOMPARE(control->pos(), placed.topLeft());
        QVERIFY(control->width() > metrics.horizontalAdvance("004") && control->height() >= metrics.height());
    }
    // Scrolled 400 to the right, a new panel still lands right after the last one.
    h.window.ScrollBoxPicture->horizontalScrollBar()->setValue(400);
    QCOMPARE(h.window.ScrollBoxPicture->horizontalScrollBar()->value(), 400);
    auto picture = std::make_unique<TThPicObject>();
    h.window.Project.Add(std::move(picture));
    h.window.ScrollBoxPicture->AddStoryPanel();
    QVERIFY(!h.window.Modified);  // a panel alone is no edit: the adding that makes it marks the project
    QCOMPARE(h.control(rules::PanelControl::Panel, 10)->x(), 2015);
    QCOMPARE(h.control(rules::PanelControl::Panel, 3)->x(), 615);
    QCOMPARE(h.control(rules::PanelControl::Panel, 3)->mapTo(h.window.ScrollBoxPicture->viewport(), QPoint()).x(), 215);
    // A fresh panel shows its placeholder time until the first refresh; its images are loaded.
    auto* fresh = h.window.ScrollBoxPicture->StoryPanels.Items(10).LblStoryBoradTime.data();
    QCOMPARE(fresh->text(), QStringLiteral("00:00"));
    QVERIFY(!h.window.ScrollBoxPicture->StoryPanels.Items(10).ImgStoryBoradTime->pixmap().isNull());
    QVERIFY(!h.window.ScrollBoxPicture->StoryPanels.Items(10).EditStoryBoradConfBtn->imageNormal().isNull());
    h.window.ScrollBoxPicture->RefreshStoryboard();
    QCOMPARE(fresh->text(), QStringLiteral("0:06"));
}

void StoryboardTest::panelTexts_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("time");
    QTest::newRow("first") << 1 << 0 << 6 << "001" << "0:06";
    QTest::newRow("twelfth") << 12 << 11 << 3 << "012" << "0:03";
    QTest::newRow("thousandth") << 1000 << 999 << 12 << "1000" << "0:12";
}

void StoryboardTest::panelTexts() {
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(int, seconds);
    Harness h;
    h.fill(count);
    h.window.Project.Items(index).DisplayTime = seconds;
    h.window.Project.Items(index).PicAction = kalidor::apZoomIN;
    h.window.Project.Items(index).StrAction = 200;  // no catalogue entry
    h.window.ScrollBoxPicture->RefreshStoryboard();
    const kalidor::TThStoryPanelObject& panel = h.window.ScrollBoxPicture->StoryPanels.Items(index);
    QTEST(panel.LblStoryBoradThumbnailNo->text(), "number");
    QTEST(panel.LblStoryBoradTime->text(), "time");
    // The picture action's icon from the catalogue; an action without an entry shows none.
    QCOMPARE(panel.ImgStoryBoradActPic->pixmap().size(), QSize(44, 44));
    QVERIFY(panel.ImgStoryBoradActStr->pixmap().isNull());
    QCOMPARE(panel.ImgStoryBoradThumbnail->pixmap().size(), QSize(105, 105));
}

void StoryboardTest::clickSelects_data() {
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<int>("clicked");  // -1: the empty strip
    QTest::addColumn<int>("keys");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("doubleClick");
    const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
    QTest::newRow("plain") << QList<int>{2, 7} << 4 << 0 << "4" << false;
    QTest::newRow("shift from none") << QList<int>{} << 4 << shift << "0 1 2 3 4" << false;
    QTest::newRow("shift from first selected") << QList<int>{2, 7} << 4 << shift << "2 3 4" << false;
    QTest::newRow("shift backwards") << QList<int>{6} << 3 << shift << "3 4 5 6" << false;
    QTest::newRow("ctrl adds") << QList<int>{2} << 5 << ctrl << "2 5" << false;
    QTest::newRow("ctrl removes one") << QList<int>{2, 5} << 5 << ctrl << "2" << false;
    QTest::newRow("ctrl wins over shift") << QList<int>{1} << 4 << (ctrl | shift) << "1 4" << false;
    QTest::newRow("empty strip") << QList<int>{1, 3} << -1 << 0 << "" << false;
    // A double click is one click: its second release must not reach the strip.
    QTest::newRow("double click") << QList<int>{2, 7} << 4 << 0 << "4" << true;
    QTest::newRow("ctrl double click") << QList<int>{2} << 5 << ctrl << "2 5" << true;
}

void StoryboardTest::clickSelects() {
    QFETCH(QList<int>, before);
    QFETCH(int, clicked);
    QFETCH(int, keys);
    Harness h;
    h.fill(8);
    h.window.show();
    h.select(before);
    QWidget* target = clicked < 0 ? h.window.ScrollBoxPicture->StripContent : h.control(rules::PanelControl::Thumbnail, clicked);
    const QPoint at = clicked < 0 ? QPoint(h.window.ScrollBoxPicture->StripContent->width() - 5, 5) : QPoint(50, 50);
    QTest::mouseClick(target, Qt::LeftButton, Qt::KeyboardModifiers(keys), at);
    QFETCH(bool, doubleClick);
    if (doubleClick) {
        QTest::mouseDClick(target, Qt::LeftButton, Qt::KeyboardModifiers(keys), at);
        QTest::mouseRelease(target, Qt::LeftButton, Qt::KeyboardModifiers(keys), at);
    }
    QTEST(h.selection(), "after");
    for (int i = 0; i < 8; ++i) {
        const QColor colour = h.window.ScrollBoxPicture->StoryPanels.Items(i).PanelStoryBorad->palette().color(QPalette::Window);
        QCOMPARE(colour == kSkyBlue, h.window.Project.Items(i).Selected);
        QCOMPARE(h.control(rules::PanelControl::Panel, i)->x(), 15 + 200 * i);
    }
    QVERIFY(!h.window.Modified);
}

void StoryboardTest::dropsOnPanels_data() {
    QTest::addColumn<QString>("kind");  // files (from the browser), desktop, panel
    QTest::addColumn<int>("from");      // the dragged panel
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("order");
    QTest::newRow("browser files on panel 2") << "files" << -1 << 2 << "a b z y x c d e";
    QTest::newRow("desktop files on panel 0") << "desktop" << -1 << 0 << "z y x a b c d e";
    QTest::newRow("panel 0 onto panel 3") << "panel" << 0 << 3 << "b c d a e";
    QTest::newRow("panel 4 onto panel 1") << "panel" << 4 << 1 << "a e b c d";
    QTest::newRow("panel onto itself") << "panel" << 2 << 2 << "a b c d e";
}

void StoryboardTest::dropsOnPanels() {
    QFETCH(QString, kind);
    QFETCH(int, from);
    QFETCH(int, target);
    Harness h;
    h.fill(5);
    QMimeData data;
    if (kind == "panel") {
        data.setData(kalidor::kPanelMime, QByteArray::number(from));
    } else {
        Harness::setFiles(data, {QString::fromStdString(h.jpeg("x.jpg")), QString::fromStdString(h.jpeg("y.jpg")),
                                 QString::fromStdString(h.jpeg("z.jpg"))});
        if (kind == "files") data.setData(kalidor::kBrowserFilesMime, QByteArray());
    }
    QVERIFY(Harness::drop(h.control(rules::PanelControl::Thumbnail, target), data));
    QVERIFY(h.waitForAdding());
    QTEST(h.order(), "order");
    QCOMPARE(h.window.ScrollBoxPicture->StoryPanels.Count(), h.window.Project.Count());
    QCOMPARE(h.window.ScrollBoxPicture->StoryPanels.Items(target).LblStoryBoradThumbnailNo->text(), QString("00%1").arg(target + 1));
    QVERIFY(h.notices.isEmpty());
    QVERIFY(h.window.Modified);
}

void StoryboardTest::moveButtons_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("message");
    const QString one = QString::fromUtf8(rules::kSelectOnePictureToMove);
    QTest::newRow("back three times") << QList<int>{1} << 1 << 3 << "a c d e b" << "";
    QTest::newRow("back once more") << QList<int>{1} << 1 << 4 << "a c d e b" << QString::fromUtf8(rules::kCannotMoveBack);
    QTest::newRow("forward") << QList<int>{3} << 0 << 1 << "a b d c e" << "";
    QTest::newRow("forward at the front") << QList<int>{0} << 0 << 1 << "a b c d e" << QString::fromUtf8(rules::kCannotMoveForward);
    QTest::newRow("none selected") << QList<int>{} << 1 << 1 << "a b c d e" << one;
    QTest::newRow("two selected") << QList<int>{1, 2} << 0 << 1 << "a b c d e" << one;
}

void StoryboardTest::moveButtons() {
    QFETCH(QList<int>, selected);
    QFETCH(int, tag);
    QFETCH(int, presses);
    QFETCH(QString, message);
    Harness h;
    h.fill(5);
    h.window.show();
    h.select(selected);
    kalidor::TPNGButton* button = tag == 0 ? h.window.TabSheetSelectPicture->pngBtnPicPrev : h.window.TabSheetSelectPicture->pngBtnPicBack;
    for (int i = 0; i < presses; ++i) QTest::mouseClick(button, Qt::LeftButton);
    QTEST(h.order(), "order");
    QCOMPARE(h.notices, message.isEmpty() ? QStringList() : QStringList{message});
    // The moved picture keeps its selection; a move is an unsaved change, a refused one is not.
    if (selected.size() == 1) QCOMPARE(h.window.Project.Items(h.order().split(' ').indexOf(QString(QChar('a' + selected[0])))).Selected, true);
    QCOMPARE(h.window.Modified, h.order() != "a b c d e");
}

void StoryboardTest::deleting_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<bool>("asked");
    QTest::newRow("nothing selected") << QList<int>{} << true << "a b c d e" << QString::fromUtf8(rules::kSelectOnePictureToDelete) << false;
    QTest::newRow("two, Yes") << QList<int>{1, 3} << true << "a c e" << "" << true;
    QTest::newRow("two, No") << QList<int>{1, 3} << false << "a b c d e" << "" << true;
    QTest::newRow("all, Yes") << QList<int>{0, 1, 2, 3, 4} << true << "" << "" << true;
}

void StoryboardTest::deleting() {
    QFETCH(QList<int>, selected);
    QFETCH(bool, answer);
    QFETCH(QString, notice);
    QFETCH(bool, asked);
    Harness h;
    h.fill(5);
    std::ofstream(h.window.Project.Items(1).PicturePath) << "copy";
    h.select(selected);
    h.answer = answer;
    QTest::mouseClick(h.window.TabSheetSelectPicture->pngBtnDelPicture, Qt::LeftButton);
    QTEST(h.order(), "order");
    QCOMPARE(h.window.ScrollBoxPicture->StoryPanels.Count(), h.window.Project.Count());
    QCOMPARE(h.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
    QCOMPARE(h.questions, asked ? QStringList{QString::fromUtf8(rules::kDeleteQuestion)} : QStringList());
    QCOMPARE(h.window.Modified, asked && answer);
    QVERIFY(fs::exists(h.window.Project.ProjectDir + "b.jpg"));  // the copy stays
}

void StoryboardTest::addingChecksAndCopies_data() {
    QTest::addColumn<QStringList>("files");  // j: a good JPEG, b: broken, d: a folder that cannot be copied
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("message");
    QTest::newRow("all good") << QStringList{"j:p.jpg", "j:q.jpg"} << "p q" << "";
    QTest::newRow("second and fourth broken") << QStringList{"j:p.jpg", "b:bad2.jpg", "j:q.jpg", "b:bad4.JPEG"} << ""
                                              << QString::fromStdString(rules::UnsupportedImageMessage("bad2.jpg").Japanese());
    QTest::newRow("a failed copy") << QStringList{"j:p.jpg", "d:gone.png", "j:q.jpg"} << "p q"
                                   << QString::fromStdString(rules::CopyFailedMessage("gone.png").Japanese());
}

void StoryboardTest::addingChecksAndCopies() {
    QFETCH(QStringList, files);
    Harness h;
    QStringList paths;
    for (const QString& file : files) {
        const std::string name = file.mid(2).toStdString();
        if (file.startsWith("j:")) paths << QString::fromStdString(h.jpeg(name));
        else if (file.startsWith("b:")) paths << QString::fromStdString(h.broken(name));
        else paths << QString::fromStdString(h.sources + name), fs::create_directory(h.sources + name);
    }
    // With nothing chosen in the browser, the add button asks for a choice.
    QTest::mouseClick(h.window.TabSheetSelectPicture->pngBtnAddPicture, Qt::LeftButton);
    QCOMPARE(h.notices, QStringList{QString::fromUtf8(rules::kSelectPicturesToAdd)});
    h.notices.clear();

    QMimeData data;
    Harness::setFiles(data, paths);
    data.setData(kalidor::kBrowserFilesMime, QByteArray());
    QVERIFY(Harness::drop(h.window.ScrollBoxPicture->StripContent, data));
    // While it runs, the storyboard's commands and further drops are refused.
    QVERIFY(h.window.ScrollBoxPicture->AddingPictures());
    QVERIFY(!h.window.TabSheetSelectPicture->pngBtnDelPicture->isEnabled());
    QVERIFY(!h.window.pngBtnSelectProject->isEnabled());
    QVERIFY(!Harness::drop(h.window.ScrollBoxPicture->StripContent, data));
    QVERIFY(h.waitForAdding());
    QVERIFY(h.window.TabSheetSelectPicture->pngBtnDelPicture->isEnabled() && h.window.pngBtnSelectProject->isEnabled());
    QTEST(h.order(), "order");
    QFETCH(QString, message);
    QCOMPARE(h.notices.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        // The fixed text, and below it the OS's or the codec's reason naming the user's file.
        QCOMPARE(h.notices[0].section('\n', 0, 0), message);
        QVERIFY2(h.notices[0].section('\n', 1).contains(QString::fromStdString(h.sources)), qPrintable(h.notices[0]));
    }
    QCOMPARE(h.window.ScrollBoxPicture->StoryPanels.Count(), h.window.Project.Count());
    QCOMPARE(h.window.Modified, h.window.Project.Count() > 0);
    // Only the added pictures have copies in the project folder, with their thumbnails.
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(h.window.Project.ProjectDir)) copies += entry.is_regular_file();
    QCOMPARE(copies, h.window.Project.Count());
    for (int i = 0; i < h.window.Project.Count(); ++i) {
        QVERIFY(fs::exists(h.window.Project.Items(i).PicturePath));
        QCOMPARE(h.window.Project.Items(i).Thumbnail.width(), 105);
    }
    QCOMPARE(h.window.ProgressBarStatus->value(), 0);
}

void StoryboardTest::anAddingRunLeadsToNoMovie_data() {
    QTest::addColumn<QString>("attempt");
    for (const char* attempt : {"double click on a panel", "make movie", "music file", "movie file", "action dropped"})
        QTest::newRow(attempt) << QString::fromLatin1(attempt);
}

// While pictures are being added, every way towards a movie is refused as the greyed menu
// refuses its own: nothing opens, nothing starts, and a dragged action is refused at the drag.
void StoryboardTest::anAddingRunLeadsToNoMovie() {
    QFETCH(QString, attempt);
    Harness h;
    h.fill(2);
    auto& w = h.window;
    kalidor::TSaveMoviePage& page = *w.TabSheetSaveMovie;
    w.Project.SaveFilePath = h.sources + "movie.MP4";
    page.ShowProject();
    w.show();
    int dialogs = 0;
    page.OpenDialogMusicFile = page.SaveDialogMov = [&](QWidget*, const QString&) {
        ++dialogs;
        return QString();
    };
    QVERIFY(w.ScrollBoxPicture->AddPictures({h.jpeg("x.jpg")}, -1, true));
    QWidget* thumbnail = h.control(rules::PanelControl::Thumbnail, 0);
    if (attempt == "double click on a panel") {
        QTest::mouseClick(thumbnail, Qt::LeftButton, {}, QPoint(50, 50));
        QTest::mouseDClick(thumbnail, Qt::LeftButton, {}, QPoint(50, 50));
        QTest::mouseRelease(thumbnail, Qt::LeftButton, {}, QPoint(50, 50));
    } else if (attempt == "make movie") {
        page.pngBtnMakeMovClick();
    } else if (attempt == "music file") {
        page.BtnSelectMusicFileClick();
    } else if (attempt == "movie file") {
        page.BtnSelectSaveDirClick();
    } else {
        QMimeData action;
        action.setData(kalidor::kActionListMime, QByteArray::number(1));
        QVERIFY(!Harness::drop(thumbnail, action));
    }
    QCOMPARE(w.PageControl->currentIndex(), 1);
    QCOMPARE(dialogs, 0);
    QVERIFY(!page.Exporting());
    QVERIFY(!page.isEnabled() && !w.pngBtnMakeMovie->isEnabled());
    QVERIFY(h.notices.isEmpty());
    QVERIFY(h.waitForAdding());
    QCOMPARE(w.Project.Items(0).PicAction, std::uint8_t(kalidor::apNone));
    QVERIFY(page.isEnabled() && w.pngBtnMakeMovie->isEnabled());
}

void StoryboardTest::captionsAreStoredOrRefused() {
    Harness h;
    h.fill(2);
    h.window.show();
    QLineEdit* edit = h.window.ScrollBoxPicture->StoryPanels.Items(1).EditStoryBoradStr;
    QTest::keyClicks(edit, QStringLiteral("Sea "));
    edit->insert(QStringLiteral("夏の海"));  // as an input method commits it
    QCOMPARE(QString::fromStdString(h.window.Project.Items(1).Text), QStringLiteral("Sea 夏の海"));
    QVERIFY(h.window.Modified);
    QVERIFY(h.window.Project.Items(0).Text.empty());
    // A character Shift-JIS cannot hold never reaches the picture: the text goes back.
    edit->insert(QStringLiteral("🌊"));
    QCOMPARE(edit->text(), QStringLiteral("Sea 夏の海"));
    QCOMPARE(QString::fromStdString(h.window.Project.Items(1).Text), QStringLiteral("Sea 夏の海"));
    QCOMPARE(h.notices.size(), 1);
    QVERIFY2(h.notices[0].contains(QStringLiteral("🌊")), qPrintable(h.notices[0]));
}

// Selecting and the move buttons leave the mark alone: clickSelects and moveButtons check that.
void StoryboardTest::modifiedMarks_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("seconds");
    QTest::newRow("time dialog OK") << "time ok" << true << 10;
    QTest::newRow("time dialog Cancel") << "time cancel" << true << 6;
    QTest::newRow("font dialog Cancel") << "font cancel" << true << 6;
    QTest::newRow("move by drop") << "drop" << true << 6;
}

void StoryboardTest::modifiedMarks() {
    QFETCH(QString, edit);
    Harness h;
    kalidor::TFormTimeConfig timeConfig(&h.window);
    kalidor::TFormFontConfig* noFont = nullptr;
    h.window.SetStoryDialogs(&timeConfig, noFont);
    h.fill(3);
    h.window.show();
    if (edit.startsWith("time")) {
        QTimer::singleShot(0, &timeConfig, [&] {
            QCOMPARE(timeConfig.CBTime->currentText(), QStringLiteral("06"));
            timeConfig.CBTime->setCurrentIndex(7);
            (edit.endsWith("ok") ? timeConfig.BtnOK : timeConfig.BtnCancel)->click();
        });
        QTest::mouseClick(h.control(rules::PanelControl::TimeLabel, 1), Qt::LeftButton);
        QCOMPARE(h.window.ScrollBoxPicture->StoryPanels.Items(1).LblStoryBoradTime->text(),
                 QString::fromStdString(rules::PanelTimeText(h.window.Project.Items(1).DisplayTime)));
    }
    if (edit == "font cancel") {
        kalidor::TFormFontConfig fontConfig(&h.window);
        h.window.SetStoryDialogs(&timeConfig, &fontConfig);
        QTimer::singleShot(0, &fontConfig, [&] {
            fontConfig.SBtnFontBold->click();
            fontConfig.BtnCancel->click();
        });
        QTest::mouseClick(h.window.ScrollBoxPicture->StoryPanels.Items(1).EditStoryBoradConfBtn, Qt::LeftButton);
        QCOMPARE(h.window.Project.Items(1).Font, kalidor::CaptionFont{});
        h.window.SetStoryDialogs(&timeConfig, nullptr);
    }
    if (edit == "drop") {
        QMimeData data;
        data.setData(kalidor::kPanelMime, "0");
        QVERIFY(Harness::drop(h.control(rules::PanelControl::Number, 2), data));
    }
    QTEST(h.window.Modified, "modified");
    QTEST(h.window.Project.Items(1).DisplayTime, "seconds");
}

void StoryboardTest::stripKeepsCaretAndScrollsByWheel() {
    Harness h;
    h.fill(10);
    h.window.show();
    // A refresh while the user types leaves the caret where it is.
    QLineEdit* edit = h.window.ScrollBoxPicture->StoryPanels.Items(1).EditStoryBoradStr;
    QTest::keyClicks(edit, QStringLiteral("abc"));
    edit->setCursorPosition(1);
    h.window.ScrollBoxPicture->RefreshStoryboard();
    QCOMPARE(edit->cursorPosition(), 1);
    // The up-and-down wheel moves the strip sideways.
    QScrollBar* bar = h.window.ScrollBoxPicture->horizontalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QWidget* viewport = h.window.ScrollBoxPicture->viewport();
    QWheelEvent wheel(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    QVERIFY(bar->value() > 0);
}

void StoryboardTest::discardedChangesTakeTheirCopies() {
    Harness h;
    const auto add = [&h](const std::string& name) {
        QMimeData data;
        Harness::setFiles(data, {QString::fromStdString(h.jpeg(name))});
        data.setData(kalidor::kBrowserFilesMime, QByteArray());
        QVERIFY(Harness::drop(h.window.ScrollBoxPicture->StripContent, data));
        QVERIFY(h.waitForAdding());
    };
    const std::string story = h.window.Project.ProjectDir;
    add("saved.jpg");
    h.window.pngBtnSaveProjectClick();
    add("unsaved.jpg");
    QVERIFY(fs::exists(story + "unsaved.jpg"));
    // Going to another project throws the unsaved change away, and the copy only it used.
    fs::create_directories(h.workspace.projectRoot() + "other");
    QVERIFY(h.window.SwitchPage(0));
    for (int row = 0; row < h.window.TabSheetSelectProject->ProjectModel->rowCount(); ++row)
        if (QString::fromStdString(h.window.TabSheetSelectProject->ProjectModel->Entry(row)).contains("/other/")) h.window.TabSheetSelectProject->Select(row);
    h.window.TabSheetSelectProject->OpenSelectedProject();
    QCOMPARE(h.window.Project.ProjectDir, h.workspace.projectRoot() + "other/");
    QVERIFY(fs::exists(story + "saved.jpg"));
    QVERIFY(!fs::exists(story + "unsaved.jpg"));
}

// A dense screen's thumbnail is made from the file at the screen's pixel size, framed as the kept
// one, and made again when the file or the screen's scale changes; a missing file gives none.
void StoryboardTest::denseScreensGetSharpThumbnails() {
    kalidor::uitest::ScratchWorkspace workspace;
    const std::string path = workspace.baseDir() + "a.bmp";
    kalidor::SharpThumbnails sharp([](const std::string& file, kalidor::Bitmap& bitmap) {
        try {
            kalidor::MakeThumbnail(file, bitmap);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    });
    QSignalSpy ready(&sharp, &kalidor::SharpThumbnails::ready);
    struct Row {
        int width, height;  // of the file written first; 0: no file
        kalidor::Color colour;
        qreal ratio;
        int side;
        QRgb centre;
    };
    const Row rows[] = {{300, 200, 0x000000FF, 2, 210, qRgb(255, 0, 0)},
                        {200, 300, 0x00FF0000, 2, 210, qRgb(0, 0, 255)},
                        {200, 300, 0x00FF0000, 1.5, 158, qRgb(0, 0, 255)},
                        {0, 0, 0, 2, 0, 0}};
    for (const Row& row : rows) {
        if (row.width) {
            kalidor::Bitmap picture(row.width, row.height);
            picture.fillBgr24(row.colour);
            kalidor::bmp::writeFile(picture, path);
        } else {
            fs::remove(path);
        }
        ready.clear();
        QVERIFY(sharp.Find(path, row.ratio).isNull());
        QVERIFY(ready.wait(10000));
        const QImage image = sharp.Find(path, row.ratio);
        QCOMPARE(ready.count(), 1);
        if (!row.width) {
            QVERIFY(image.isNull());
            continue;
        }
        QCOMPARE(image.size(), QSize(row.side, row.side));
        QCOMPARE(image.devicePixelRatio(), row.ratio);
        QCOMPARE(image.pixel(row.side / 2, row.side / 2), row.centre);
        QCOMPARE(image.pixel(0, row.side / 2), qRgb(160, 160, 160));
    }
}

QTEST_MAIN(StoryboardTest)
#include "storyboard_test.moc"
