// The picture browser of the picture page: a large folder shows at once while its thumbnails are
// made on worker threads into the freedesktop cache, another folder drops the work left, and the
// selection and drags give the files in list order.
#include "imaging/bitmap.h"
#include "imaging/jpeg_codec.h"
#include "desktop/browser/browser_file_model.h"
#include "desktop/browser/browser_item_delegate.h"
#include "desktop/browser/browser_places.h"
#include "desktop/shared/thumbnail_feed.h"
#include "desktop/shared/drag_formats.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/ui_test_support.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListView>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <fstream>

using namespace kalidor;

namespace {

// `count` JPEG photographs of varied sizes and shapes, each with its own colours.
void makePictures(const QString& folder, int count, int offset = 0) {
    for (int i = 0; i < count; ++i) {
        const bool portrait = i % 3 == 0;
        const int width = portrait ? 480 : 640 + 8 * (i % 5), height = portrait ? 640 : 480;
        Bitmap picture(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* pixel = picture.row(y) + 3 * x;
                pixel[0] = static_cast<std::uint8_t>(x + i * 7);
                pixel[1] = static_cast<std::uint8_t>(y + i * 13);
                pixel[2] = static_cast<std::uint8_t>((x ^ y) + i);
            }
        const std::vector<std::uint8_t> bytes = jpeg::encode(picture, 80);
        std::ofstream(QStringLiteral("%1/photo%2.jpg").arg(folder).arg(offset + i, 3, 10, QChar('0')).toStdString(),
                      std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
}

std::vector<std::string> sortedCopy(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace

class PictureBrowserTest : public QObject {
    Q_OBJECT
    QTemporaryDir home_;
    QTemporaryDir pictures_;
    QString large_, small_;
    std::unique_ptr<QTemporaryDir> cache_;
    uitest::ScratchWorkspace workspace_;

    QString cacheEntryOf(const std::string& path) const {
        const QByteArray uri = QUrl::fromLocalFile(QString::fromStdString(path)).toEncoded();
        return cache_->path() + "/thumbnails/normal/" +
               QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
    }

public:
    // Two screens side by side, the second of twice the pixels, for moves between them.
    static void initMain() {
        if (qgetenv("QT_QPA_PLATFORM") != "offscreen") return;
        static QTemporaryDir folder;
        QFile config(folder.filePath("screens.json"));
        if (!config.open(QIODevice::WriteOnly)) return;
        config.write(R"({"screens": [{"name": "one", "width": 1280, "height": 1024, "logicalDpi": 96},
                         {"name": "two", "x": 1280, "width": 2560, "height": 2048, "logicalDpi": 192}]})");
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toUtf8());
    }

private slots:
    void initTestCase() {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        large_ = pictures_.path() + "/large";
        small_ = pictures_.path() + "/small";
        QDir().mkpath(large_);
        QDir().mkpath(small_);
        makePictures(large_, 300);
        makePictures(small_, 6, 900);
    }
    void init() {
        cache_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CACHE_HOME", cache_->path().toUtf8());
    }

    void aLargeFolderShowsAtOnceAndTheWindowKeepsAnswering() {
        TFormMakeMovie window(workspace_.baseDir(), workspace_.dataDir());
        window.PageControl->setCurrentIndex(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy ready(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserThumbnails, &ThumbnailFeed::thumbnailReady);
        QSignalSpy finished(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserThumbnails, &ThumbnailFeed::finished);
        int highest = 0;
        connect(window.ProgressBarStatus, &QProgressBar::valueChanged, [&](int value) { highest = std::max(highest, value); });
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(10);
        int ticks = 0;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });

        QElapsedTimer clock;
        ticker.start();
        clock.start();
        window.TabSheetSelectPicture->PanelSelectPictureArea->ShowFolder(large_.toStdString());
        const qint64 listed = clock.elapsed();
        QCOMPARE(window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->rowCount(), 300);
        QCOMPARE(window.ProgressBarStatus->maximum(), 299);
        QVERIFY(window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->viewport()->rect().intersects(
            window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->visualRect(window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->index(0))));
        QVERIFY(ready.wait(10000));
        const qint64 firstThumbnail = clock.elapsed();
        QVERIFY(ready.first().at(0).toInt() < 20);  // the items in view come first
        QVERIFY(finished.count() == 1 || finished.wait(120000));
        const qint64 all = clock.elapsed();
        qInfo("300 pictures: listed after %lld ms, first thumbnail after %lld ms, all after %lld ms, %d timer ticks",
              listed, firstThumbnail, all, ticks);

        // A tick every 10 ms when the window is free; a busy user-interface thread would get none.
        QVERIFY2(ticks * 10 * 4 >= all, qPrintable(QString::number(ticks)));
        QCOMPARE(ready.count(), 300);
        QCOMPARE(highest, 299);
        QCOMPARE(window.ProgressBarStatus->value(), 0);
        for (int row = 0; row < 300; ++row)
            QVERIFY(!window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->index(row).data(browser::BrowserFileModel::ThumbnailRole).value<QImage>().isNull());

        for (const std::string& path : window.TabSheetSelectPicture->PanelSelectPictureArea->FolderFiles()) {
            const QImage entry(cacheEntryOf(path));
            QVERIFY2(!entry.isNull(), path.c_str());
            QCOMPARE(entry.text("Thumb::URI"), QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded));
            QCOMPARE(entry.text("Thumb::MTime"),
                     QString::number(QFileInfo(QString::fromStdString(path)).lastModified().toSecsSinceEpoch()));
            QVERIFY(std::max(entry.width(), entry.height()) <= 128);
        }
    }

    void anotherFolderDropsTheWorkLeft() {
        TFormMakeMovie window(workspace_.baseDir(), workspace_.dataDir());
        QSignalSpy ready(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserThumbnails, &ThumbnailFeed::thumbnailReady);
        QSignalSpy finished(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserThumbnails, &ThumbnailFeed::finished);
        window.TabSheetSelectPicture->PanelSelectPictureArea->ShowFolder(large_.toStdString());
        const std::vector<std::string> left = window.TabSheetSelectPicture->PanelSelectPictureArea->FolderFiles();
        window.TabSheetSelectPicture->PanelSelectPictureArea->ShowFolder(small_.toStdString());
        QVERIFY(finished.wait(30000));
        QCOMPARE(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserFolder(), small_.toStdString() + "/");
        QCOMPARE(ready.count(), 6);
        for (const QList<QVariant>& delivery : ready) QVERIFY(!delivery.at(1).value<QImage>().isNull());
        // Not shown, the list has the highest ratio of the screens: either level.
        const auto made = std::count_if(left.begin(), left.end(), [&](const std::string& path) {
            return QFileInfo::exists(cacheEntryOf(path)) || QFileInfo::exists(cacheEntryOf(path).replace("/normal/", "/large/"));
        });
        QVERIFY2(made < 150, qPrintable(QString::number(made)));
    }

    void theItemsScrolledIntoViewComeFirst() {
        TFormMakeMovie window(workspace_.baseDir(), workspace_.dataDir());
        window.PageControl->setCurrentIndex(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy ready(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserThumbnails, &ThumbnailFeed::thumbnailReady);
        QSignalSpy finished(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserThumbnails, &ThumbnailFeed::finished);
        window.TabSheetSelectPicture->PanelSelectPictureArea->ShowFolder(large_.toStdString());
        window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->scrollToBottom();
        QVERIFY(finished.wait(120000));
        int order = 0;
        while (ready.at(order).at(0).toInt() != 299) ++order;
        QVERIFY2(order < 150, qPrintable(QString::number(order)));
    }

    void selectionAndDragGiveTheFilesInListOrder() {
        TFormMakeMovie window(workspace_.baseDir(), workspace_.dataDir());
        window.PageControl->setCurrentIndex(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.TabSheetSelectPicture->PanelSelectPictureArea->SetBrowserFolder(small_.toStdString()));
        QCOMPARE(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserFolder(), small_.toStdString() + "/");
        const std::vector<std::string> files = window.TabSheetSelectPicture->PanelSelectPictureArea->FolderFiles();
        QCOMPARE(sortedCopy(files).front(), small_.toStdString() + "/photo900.jpg");
        QCOMPARE(files.size(), std::size_t{6});

        const std::vector<std::vector<int>> clicks = {{4, 1, 3}, {0}, {}, {5, 0, 2}};
        for (const std::vector<int>& order : clicks) {
            window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->clearSelection();
            for (const int row : order)
                QTest::mouseClick(window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->viewport(), Qt::LeftButton, Qt::ControlModifier,
                                  window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->visualRect(window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->index(row)).center());
            std::vector<int> rows = order;
            std::sort(rows.begin(), rows.end());
            std::vector<std::string> expected;
            for (const int row : rows) expected.push_back(files[static_cast<std::size_t>(row)]);
            QCOMPARE(window.TabSheetSelectPicture->PanelSelectPictureArea->SelectedBrowserFiles(), expected);

            QModelIndexList indexes;
            for (const int row : order) indexes.append(window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->index(row));
            const std::unique_ptr<QMimeData> drag(window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->mimeData(indexes));
            QCOMPARE(DragSourceOf(drag.get()), rules::DragSource::BrowserFiles);
            QCOMPARE(DraggedFiles(drag.get()), expected);
        }
        QVERIFY(window.TabSheetSelectPicture->PanelSelectPictureArea->LVAttachFile->dragEnabled());
        QVERIFY(window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->flags(window.TabSheetSelectPicture->PanelSelectPictureArea->AttachFileModel->index(0)) & Qt::ItemIsDragEnabled);
        QVERIFY(!window.TabSheetSelectPicture->PanelSelectPictureArea->SetBrowserFolder(pictures_.path().toStdString() + "/gone"));
        QCOMPARE(window.TabSheetSelectPicture->PanelSelectPictureArea->BrowserFolder(), small_.toStdString() + "/");
    }

    void anItemIsDrawnInItsSquare() {
        // Item at (0, 0): its square starts at the margin.
        const int m = browser::BrowserItemDelegate::kMargin;
        struct Case {
            QSize thumbnail;  // device pixels
            bool selected;
            QPoint red, notRed;  // device pixels
            int ratio = 1;
        } const cases[] = {
            {{93, 124}, false, {m + 15, m}, {m + 14, m}},
            {{124, 93}, false, {m, m + 15}, {m, m + 14}},
            {{124, 124}, true, {m + 60, m + 60}, {m + 60, m + 125}},
            // Twice the pixels in the same logical place, not stretched.
            {{186, 248}, false, {2 * m + 30, 2 * m}, {2 * m + 29, 2 * m}, 2},
        };
        for (const Case& c : cases) {
            browser::BrowserFileModel model;
            model.Reset({"/nowhere/a.jpg"});
            QImage thumbnail = uitest::solidImage(c.thumbnail.width(), c.thumbnail.height(), Qt::red);
            thumbnail.setDevicePixelRatio(c.ratio);
            model.SetThumbnail(0, thumbnail);
            browser::BrowserItemDelegate delegate;
            QStyleOptionViewItem option;
            option.palette.setColor(QPalette::Base, Qt::white);
            option.palette.setColor(QPalette::Highlight, Qt::blue);
            option.rect = QRect(QPoint(0, 0), delegate.sizeHint(option, model.index(0)));
            if (c.selected) option.state |= QStyle::State_Selected;
            QImage canvas(option.rect.size() * c.ratio, QImage::Format_RGB32);
            canvas.setDevicePixelRatio(c.ratio);
            canvas.fill(Qt::black);
            {
                QPainter painter(&canvas);
                delegate.paint(&painter, option, model.index(0));
            }
            QCOMPARE(canvas.pixelColor(c.red), QColor(Qt::red));
            QVERIFY(canvas.pixelColor(c.notRed) != QColor(Qt::red));
            QCOMPARE(canvas.pixelColor(c.ratio * m, c.ratio * (m + 60)) == QColor(Qt::blue), c.selected);
        }
    }

    void theTreeShowsOnlyTheFoldersOfThePlace() {
        TFormMakeMovie window(workspace_.baseDir(), workspace_.dataDir());
        TPictureBrowser* browser = window.TabSheetSelectPicture->PanelSelectPictureArea;
        const QString home = home_.path();
        for (const char* folder : {"a", "b"}) QDir(home).mkpath(folder);
        const int homePlace = browser->DriveCB->findText(home + ')', Qt::MatchEndsWith);
        const auto root = [&] { return browser->DirListModel->filePath(browser->DirListBox->rootIndex()); };
        // The place itself is no row of its tree: none is current.
        QVERIFY(browser->SetBrowserFolder(home.toStdString()));
        QVERIFY(!browser->DirListBox->currentIndex().isValid());
        QVERIFY(browser->SetBrowserFolder((home + "/b").toStdString()));
        QCOMPARE(root(), home);
        QTRY_COMPARE(browser->DirListModel->rowCount(browser->DirListBox->rootIndex()), 2);  // a and b only
        QCOMPARE(browser->DriveCB->currentIndex(), homePlace);
        // A folder of another place takes the tree there; choosing home again returns to its last folder.
        QVERIFY(browser->SetBrowserFolder(small_.toStdString()));
        QVERIFY2(small_.startsWith(root()) && root() != home, qPrintable(root()));
        emit browser->DriveCB->activated(homePlace);
        QCOMPARE(root(), home);
        QCOMPARE(browser->BrowserFolder(), (home + "/b/").toStdString());
    }

    void onAScreenOfAnotherRatioTheThumbnailsAreMadeAgain() {
        if (QGuiApplication::screens().size() < 2) QSKIP("one screen");
        TFormMakeMovie window(workspace_.baseDir(), workspace_.dataDir());
        TPictureBrowser* browser = window.TabSheetSelectPicture->PanelSelectPictureArea;
        window.PageControl->setCurrentIndex(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(browser->BrowserThumbnails, &ThumbnailFeed::finished);
        QVERIFY(browser->SetBrowserFolder(small_.toStdString()));
        QVERIFY(finished.wait(30000));
        browser->LVAttachFile->selectionModel()->select(browser->AttachFileModel->index(2), QItemSelectionModel::Select);
        // The screen, its ratio, and the longer side of every thumbnail in device pixels.
        const std::tuple<int, qreal, int> moves[] = {{1, 2, 248}, {0, 1, 124}};
        for (const auto& [screen, ratio, side] : moves) {
            finished.clear();
            window.windowHandle()->setScreen(QGuiApplication::screens().at(screen));
            QVERIFY(finished.wait(30000));
            for (int row = 0; row < browser->AttachFileModel->rowCount(); ++row) {
                const QImage thumbnail = browser->AttachFileModel->index(row).data(browser::BrowserFileModel::ThumbnailRole).value<QImage>();
                QCOMPARE(thumbnail.devicePixelRatio(), ratio);
                QCOMPARE(std::max(thumbnail.width(), thumbnail.height()), side);
            }
            QCOMPARE(browser->SelectedBrowserFiles(), std::vector<std::string>{browser->FolderFiles()[2]});
        }
    }

    void thePlacesAreTheMountsThatHoldFiles() {
        const char* table =
            "/dev/sda2 / ext4 rw 0 0\n"
            "proc /proc proc rw 0 0\n"
            "tmpfs /run tmpfs rw 0 0\n"
            "/dev/sdb1 /run/media/ann/USB\\040STICK vfat rw 0 0\n"
            "/dev/sda3 /home ext4 rw 0 0\n"
            "/dev/sda1 /boot/efi vfat rw 0 0\n"
            "server:/export /mnt/share nfs4 rw 0 0\n"
            "overlay / overlay rw 0 0\n"
            "tmpfs /tmp tmpfs rw 0 0\n"
            "sshfs#ann@host: /home/ann/remote fuse.sshfs rw 0 0\n"
            "broken line\n";
        const std::vector<std::string> expected = {"/", "/run/media/ann/USB STICK", "/home", "/mnt/share",
                                                   "/home/ann/remote"};
        QCOMPARE(browser::UserMountPoints(table), expected);

        const std::vector<browser::BrowserPlace> places = {{"/", true}, {"/home/", true}, {"/home/ann/Documents/", false}};
        const std::pair<const char*, int> folders[] = {
            {"/etc", 0}, {"/home", 1}, {"/home/ann/Documents/trip/", 2}, {"/home/ann/Documents2", 1}};
        for (const auto& [folder, place] : folders) QCOMPARE(browser::PlaceOf(places, folder), place);
    }
};

QTEST_MAIN(PictureBrowserTest)
#include "picture_browser_test.moc"
