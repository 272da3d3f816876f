#include "desktop/dialogs/form_font_config.h"

#include "desktop_rules/dialog_rules.h"
#include "imaging/font_family.h"
#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/bitmap_image.h"
#include "desktop/shared/translated.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace kalidor {
namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    return label;
}

QToolButton* toggle(QWidget* parent, const char* name, const QString& text, int left, void (*style)(QFont&)) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setCheckable(true);
    button->setGeometry(left, 74, 25, 25);
    QFont font = button->font();
    style(font);
    button->setFont(font);
    return button;
}

// The scalable faces of the machine.
std::vector<std::string> installedFaces() {
    std::vector<std::string> families;
    for (const QString& family : QFontDatabase::families())
        if (QFontDatabase::isScalable(family)) families.push_back(family.toStdString());
    return rules::FontFaceItems(std::move(families));
}

}  // namespace

TFormFontConfig::TFormFontConfig(QWidget* parent) : QDialog(parent) {
    setObjectName("FormFontConfig");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(Translated(rules::kFontDialogCaption));
    setFixedSize(286, 266);

    lblFontName = label(this, "lblFontName", tr("フォント"), 8, 16);
    CBFontName = new QComboBox(this);
    CBFontName->setObjectName("CBFontName");
    NameByLabel(CBFontName, lblFontName);
    CBFontName->setGeometry(8, 32, 193, CBFontName->sizeHint().height());
    lblFontSize = label(this, "lblFontSize", tr("大きさ"), 213, 14);
    CBFontSize = new QComboBox(this);
    CBFontSize->setObjectName("CBFontSize");
    NameByLabel(CBFontSize, lblFontSize);
    CBFontSize->setGeometry(213, 32, 66, CBFontSize->sizeHint().height());
    for (const std::string& size : rules::FontSizeItems()) CBFontSize->addItem(QString::fromStdString(size));

    lblFontColor = label(this, "lblFontColor", tr("色"), 8, 58);
    ShapeFontColor = new QFrame(this);
    ShapeFontColor->setObjectName("ShapeFontColor");
    // A swatch: a picture of the colour, which its description names.
    SpeakAs(ShapeFontColor, QAccessible::Graphic);
    NameByLabel(ShapeFontColor, lblFontColor);
    ShapeFontColor->setGeometry(8, 75, 24, 23);
    ShapeFontColor->setFrameStyle(QFrame::Box | QFrame::Plain);
    ShapeFontColor->setAutoFillBackground(true);
    BtnChangeFontColor = new QPushButton(tr("変更"), this);
    BtnChangeFontColor->setObjectName("BtnChangeFontColor");
    // A longer word than the two characters of the Japanese widens the button, and the style
    // toggles move right by as much.
    const int grow = std::max(0, BtnChangeFontColor->fontMetrics().horizontalAdvance(BtnChangeFontColor->text()) + 8 - 33);
    BtnChangeFontColor->setGeometry(40, 74, 33 + grow, 25);

    LblFontBold = label(this, "LblFontBold", tr("太字"), 80 + grow, 58);
    SBtnFontBold = toggle(this, "SBtnFontBold", QStringLiteral("B"), 80 + grow, [](QFont& f) { f.setBold(true); });
    LblItalic = label(this, "LblItalic", tr("斜体"), 120 + grow, 58);
    SBtnFontItalic = toggle(this, "SBtnFontItalic", QStringLiteral("I "), 120 + grow, [](QFont& f) { f.setItalic(true); });
    LblUnderLine = label(this, "LblUnderLine", tr("下線"), 160 + grow, 58);
    SBtnFontUnderLine =
        toggle(this, "SBtnFontUnderLine", QStringLiteral("U"), 160 + grow, [](QFont& f) { f.setUnderline(true); });
    // Named by the words above them, not by the letters they show.
    NameByLabel(SBtnFontBold, LblFontBold);
    NameByLabel(SBtnFontItalic, LblItalic);
    NameByLabel(SBtnFontUnderLine, LblUnderLine);

    PanelFontPreview = new QLabel(Translated(rules::kFontPreviewText), this);
    PanelFontPreview->setObjectName("PanelFontPreview");
    PanelFontPreview->setGeometry(8, 107, 269, 113);
    PanelFontPreview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelFontPreview->setAlignment(Qt::AlignCenter);

    BtnOK = new QPushButton(Translated(rules::kOkButtonText), this);
    BtnOK->setObjectName("BtnOK");
    BtnOK->setGeometry(116, 228, 75, 25);
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(Translated(rules::kCancelButtonText), this);
    BtnCancel->setObjectName("BtnCancel");
    BtnCancel->setGeometry(196, 228, 75, 25);

    ColorDialogFont = new QColorDialog(this);
    ColorDialogFont->setObjectName("ColorDialogFont");
    ColorDialogFont->setOption(QColorDialog::DontUseNativeDialog);

    // FormCreate: the face list, once per run.
    faces_ = installedFaces();
    for (const std::string& face : faces_) CBFontName->addItem(QString::fromStdString(face));
    CBFontName->setCurrentIndex(rules::FontFaceItemIndex(faces_, rules::kPreferredFace));

    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnChangeFontColor, &QPushButton::clicked, this, &TFormFontConfig::BtnChangeFontColorClick);
    for (QComboBox* list : {CBFontName, CBFontSize})
        connect(list, &QComboBox::currentIndexChanged, this, [this, list] {
            if (loading_) return;
            if (list == CBFontName) faceStandsIn_ = false;  // the user's own choice of face
            FontConfigChange();
        });
    for (QToolButton* button : {SBtnFontBold, SBtnFontItalic, SBtnFontUnderLine})
        connect(button, &QToolButton::clicked, this, &TFormFontConfig::FontConfigChange);
}

int TFormFontConfig::Execute(CaptionFont& font) {
    edited_ = &font;
    const rules::FontDialogState state = rules::FontDialogStateFor(font, faces_, ResolveFontFamily(font.Name));
    faceStandsIn_ = state.faceStandsIn;
    loading_ = true;  // loading the controls is no change of the font
    CBFontName->setCurrentIndex(state.faceIndex);
    CBFontSize->setCurrentIndex(state.sizeIndex);
    setShapeColor(state.color);
    SBtnFontBold->setChecked(state.bold);
    SBtnFontItalic->setChecked(state.italic);
    SBtnFontUnderLine->setChecked(state.underline);
    loading_ = false;
    showPreview(font);
    const int result = exec();
    edited_ = nullptr;
    return result;
}

void TFormFontConfig::FontConfigChange() {
    if (!edited_) return;
    rules::FontDialogState state;
    state.faceIndex = CBFontName->currentIndex();
    state.sizeIndex = CBFontSize->currentIndex();
    state.color = shapeColor_;
    state.bold = SBtnFontBold->isChecked();
    state.italic = SBtnFontItalic->isChecked();
    state.underline = SBtnFontUnderLine->isChecked();
    state.faceStandsIn = faceStandsIn_;
    rules::ApplyFontDialogState(*edited_, state, faces_);
    showPreview(*edited_);
}

void TFormFontConfig::BtnChangeFontColorClick() {
    ColorDialogFont->setCurrentColor(ToQColor(shapeColor_));
    if (ColorDialogFont->exec() == QDialog::Accepted) setShapeColor(FromQColor(ColorDialogFont->selectedColor()));
    // Cancelled or not, every control goes into the font.
    FontConfigChange();
}

void TFormFontConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CBFontName->setFocus();
}

void TFormFontConfig::setShapeColor(std::uint32_t color) {
    shapeColor_ = color;
    QPalette palette = ShapeFontColor->palette();
    palette.setColor(QPalette::Window, ToQColor(color));
    ShapeFontColor->setPalette(palette);
    ShapeFontColor->setAccessibleDescription(ToQColor(color).name());
}

void TFormFontConfig::showPreview(const CaptionFont& font) {
    // The face as the captions find it (Windows names resolve to an installed Japanese face),
    // at 96 dots per inch like the movie's captions.
    const std::string family = ResolveFontFamily(font.Name);
    QFont preview(QString::fromStdString(family.empty() ? font.Name : family));
    preview.setPixelSize(std::clamp(static_cast<int>(std::lround(font.Size * 96.0 / 72.0)), 1, 400));
    preview.setBold(font.Style & fsBold);
    preview.setItalic(font.Style & fsItalic);
    preview.setUnderline(font.Style & fsUnderline);
    preview.setStrikeOut(font.Style & fsStrikeOut);
    PanelFontPreview->setFont(preview);
    QPalette palette = PanelFontPreview->palette();
    palette.setColor(QPalette::WindowText, ToQColor(font.Color));
    PanelFontPreview->setPalette(palette);
}

}  // namespace kalidor
