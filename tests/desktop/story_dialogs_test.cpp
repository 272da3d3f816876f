#include "desktop_rules/dialog_rules.h"
#include "desktop/shared/bitmap_image.h"
#include "desktop/dialogs/form_font_config.h"
#include "desktop/dialogs/form_time_config.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using kalidor::CaptionFont;
using kalidor::TFormFontConfig;
using kalidor::TFormTimeConfig;

class StoryDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void timeDialog_data();
    void timeDialog();
    void fontDialogControls();
    void fontDialog_data();
    void fontDialog();
};

void StoryDialogsTest::timeDialog_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("shown");   // the item selected on opening
    QTest::addColumn<int>("choose");      // item to choose, -1 none
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("returned");
    QTest::newRow("6, choose 10, OK") << 6 << "06" << 7 << true << 10;
    QTest::newRow("6, choose 10, Cancel") << 6 << "06" << 7 << false << 10;  // the caller ignores it
    QTest::newRow("3, OK") << 3 << "03" << -1 << true << 3;
    QTest::newRow("12, choose 3, OK") << 12 << "12" << 0 << true << 3;
    QTest::newRow("outside the items, OK") << 15 << "" << -1 << true << 15;
}

void StoryDialogsTest::timeDialog() {
    QFETCH(int, seconds);
    QFETCH(int, choose);
    QFETCH(bool, ok);
    TFormTimeConfig dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("時間設定"));
    QCOMPARE(dialog.size(), QSize(189, 84));
    QCOMPARE(dialog.CBTime->count(), 10);
    QCOMPARE(dialog.CBTime->itemText(9), QStringLiteral("12"));
    QCOMPARE(dialog.BtnOK->text() + dialog.BtnCancel->text(), QStringLiteral("設定キャンセル"));
    QString shown;
    QTimer::singleShot(0, &dialog, [&] {
        shown = dialog.CBTime->currentText();
        if (choose >= 0) dialog.CBTime->setCurrentIndex(choose);
        (ok ? dialog.BtnOK : dialog.BtnCancel)->click();
    });
    const int result = dialog.Execute(seconds);
    QCOMPARE(result, ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QTEST(shown, "shown");
    QTEST(seconds, "returned");
}

void StoryDialogsTest::fontDialogControls() {
    TFormFontConfig dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("フォント設定"));
    QCOMPARE(dialog.size(), QSize(286, 266));
    QCOMPARE(dialog.CBFontSize->count(), 44);
    QCOMPARE(dialog.CBFontSize->itemText(0) + dialog.CBFontSize->itemText(43), QStringLiteral("750"));
    QCOMPARE(dialog.PanelFontPreview->text(), QString::fromUtf8(kalidor::rules::kFontPreviewText));
    // The installed scalable faces, without vertical-writing ones, in case-blind order.
    QVERIFY(!dialog.Faces().empty());
    QCOMPARE(dialog.CBFontName->count(), int(dialog.Faces().size()));
    for (std::size_t i = 0; i < dialog.Faces().size(); ++i) {
        QVERIFY(dialog.Faces()[i][0] != '@');
        if (i > 0) QVERIFY(QString::fromStdString(dialog.Faces()[i - 1]).compare(QString::fromStdString(dialog.Faces()[i]), Qt::CaseInsensitive) <= 0);
    }
    QCOMPARE(dialog.CBFontName->currentIndex(), kalidor::rules::FontFaceItemIndex(dialog.Faces(), kalidor::rules::kPreferredFace));
    for (QToolButton* toggle : {dialog.SBtnFontBold, dialog.SBtnFontItalic, dialog.SBtnFontUnderLine}) QVERIFY(toggle->isCheckable());
    QVERIFY(dialog.SBtnFontBold->font().bold() && dialog.SBtnFontItalic->font().italic() && dialog.SBtnFontUnderLine->font().underline());
}

void StoryDialogsTest::fontDialog_data() {
    using namespace kalidor;
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("change");  // what the user does before pressing OK or Cancel
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("shownSize");
    QTest::addColumn<int>("shownStyle");  // toggles down on opening
    QTest::addColumn<int>("size2");
    QTest::addColumn<int>("style2");      // the edited font afterwards
    QTest::addColumn<uint>("color2");
    const uint black = clWindowText, red = 0x000000FF;
    QTest::newRow("bold 12, press underline") << 12 << int(fsBold) << "underline" << true << "12" << int(fsBold) << 12 << int(fsBold | fsUnderline) << black;
    QTest::newRow("strike-out kept without a change") << 12 << int(fsStrikeOut | fsItalic) << "" << true << "12" << int(fsItalic) << 12 << int(fsStrikeOut | fsItalic) << black;
    QTest::newRow("strike-out lost at the first change") << 12 << int(fsStrikeOut) << "size 20" << true << "12" << 0 << 20 << 0 << black;
    QTest::newRow("colour chosen") << 30 << 0 << "colour ok" << true << "30" << 0 << 30 << 0 << red;
    QTest::newRow("colour dialog cancelled still writes") << 30 << int(fsStrikeOut) << "colour cancel" << false << "30" << 0 << 30 << 0 << black;
    QTest::newRow("size no item offers is kept") << 60 << 0 << "bold" << true << "" << 0 << 60 << int(fsBold) << black;
}

void StoryDialogsTest::fontDialog() {
    QFETCH(int, size);
    QFETCH(int, style);
    QFETCH(QString, change);
    QFETCH(bool, ok);
    QFETCH(int, shownStyle);
    TFormFontConfig dialog;
    CaptionFont font;
    font.Size = size;
    font.Style = static_cast<std::uint8_t>(style);
    const std::string face = font.Name;
    QString shownSize;
    int shown = -1;
    bool previewFollows = true;
    QTimer::singleShot(0, &dialog, [&] {
        shownSize = dialog.CBFontSize->currentText();
        shown = (dialog.SBtnFontBold->isChecked() ? 1 : 0) | (dialog.SBtnFontItalic->isChecked() ? 2 : 0) |
                (dialog.SBtnFontUnderLine->isChecked() ? 4 : 0);
        if (change == "underline") dialog.SBtnFontUnderLine->click();
        if (change == "bold") dialog.SBtnFontBold->click();
        if (change == "size 20") dialog.CBFontSize->setCurrentIndex(13);
        if (change.startsWith("colour")) {
            QTimer::singleShot(0, dialog.ColorDialogFont, [&] {
                dialog.ColorDialogFont->setCurrentColor(Qt::red);
                change.endsWith("ok") ? dialog.ColorDialogFont->accept() : dialog.ColorDialogFont->reject();
            });
            dialog.BtnChangeFontColor->click();
        }
        // The preview is redrawn from the edited font at every change.
        const QFont preview = dialog.PanelFontPreview->font();
        previewFollows = preview.underline() == bool(font.Style & kalidor::fsUnderline) &&
                         preview.bold() == bool(font.Style & kalidor::fsBold) &&
                         preview.strikeOut() == bool(font.Style & kalidor::fsStrikeOut) &&
                         dialog.PanelFontPreview->palette().color(QPalette::WindowText) == kalidor::ToQColor(font.Color);
        (ok ? dialog.BtnOK : dialog.BtnCancel)->click();
    });
    QCOMPARE(dialog.Execute(font), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QTEST(shownSize, "shownSize");
    QCOMPARE(shown, shownStyle);
    QVERIFY(previewFollows);
    QTEST(int(font.Size), "size2");
    QTEST(int(font.Style), "style2");
    QTEST(uint(font.Color), "color2");
    // A face the list does not offer is kept.
    if (dialog.CBFontName->currentIndex() < 0) QCOMPARE(font.Name, face);
}

QTEST_MAIN(StoryDialogsTest)
#include "story_dialogs_test.moc"
