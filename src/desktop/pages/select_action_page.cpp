#include "desktop/pages/select_action_page.h"

#include "actions/delivered_actions.h"
#include "desktop_rules/action_page.h"
#include "desktop_rules/undo_history.h"
#include "desktop/pages/action_page_widgets.h"
#include "desktop/shared/drag_formats.h"
#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/action_pixmap.h"
#include "desktop/shared/focus_frame.h"
#include "desktop/shared/png_button.h"
#include "desktop/shared/translated.h"
#include "desktop/shared/widget_events.h"
#include "desktop/shared/window_state.h"
#include "desktop/storyboard/storyboard_strip.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>

#include <algorithm>
#include <optional>
#include <string>

namespace kalidor {
namespace {

using rules::ActionTarget;

ActionTarget targetOf(const QRadioButton* picture) {
    return picture->isChecked() ? ActionTarget::Picture : ActionTarget::Text;
}

// The catalogue name of the list's selected item (it shows the name translated); nothing when
// the list has no item to read.
std::optional<std::string> selectedActionName(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    if (!item) return std::nullopt;
    return item->data(kActionNameRole).toString().toStdString();
}

// The list's height follows the page: it keeps the room below it that it has at the start.
constexpr int kListTop = 72;
constexpr int kListRoomBelow = 74;

}  // namespace

constexpr RowButton kActionButtons[] = {{"pngBtnAddAction", 4, QT_TRANSLATE_NOOP("Buttons", "アクションを追加")},
                                           {"pngBtnDelAction", 228, QT_TRANSLATE_NOOP("Buttons", "アクションを削除")}};
constexpr int kActionRowWidth = 459;

TSelectActionPage::TSelectActionPage(WindowState& state, TStoryboardStrip& strip, QWidget* parent)
    : QWidget(parent), state_(state), strip_(strip) {
    setObjectName("TabSheetSelectAction");
    QWidget* area = PanelActionArea = new QWidget(this);
    buttonRow_ = LayOutWithButtonRow(this, area, kActionButtons, kActionRowWidth);
    PanelActionBottom = buttonRow_.bottom;
    PanelActionButton = buttonRow_.row;
    pngBtnAddAction = findChild<TPNGButton*>("pngBtnAddAction");
    pngBtnDelAction = findChild<TPNGButton*>("pngBtnDelAction");
    connect(pngBtnAddAction, &TPNGButton::clicked, this, &TSelectActionPage::pngBtnAddActionClick);
    connect(pngBtnDelAction, &TPNGButton::clicked, this, &TSelectActionPage::pngBtnDelActionClick);
    // While pictures are being added no other edit is made.
    connect(&strip_, &TStoryboardStrip::addingChanged, PanelActionButton,
            [this](bool adding) { PanelActionButton->setEnabled(!adding); });

    GBActionType = new QGroupBox(tr("アクション対象"), area);
    GBActionType->setObjectName("GBActionType");
    GBActionType->setGeometry(8, 8, 209, 41);
    RBPicture = new QRadioButton(tr("画像"), GBActionType);
    RBPicture->setObjectName("RBPicture");
    RBPicture->setGeometry(8, 14, 90, 21);
    RBPicture->setChecked(true);
    RBString = new QRadioButton(tr("文字"), GBActionType);
    RBString->setObjectName("RBString");
    RBString->setGeometry(112, 14, 90, 21);
    auto* listLabel = new QLabel(tr("アクションを選択"), area);
    listLabel->setObjectName("LabelActionList");
    listLabel->move(8, 55);
    auto* list = new ActionListBox(area);
    LBActionList = list;
    LBActionList->setObjectName("LBActionList");
    NameByLabel(LBActionList, listLabel);
    FrameWhileFocused(LBActionList);
    LBActionList->setSelectionMode(QAbstractItemView::SingleSelection);
    LBActionList->setDragEnabled(true);
    LBActionList->setDragDropMode(QAbstractItemView::DragOnly);
    LBActionList->setGeometry(6, kListTop, 209, 194);

    auto* right = new QWidget(area);
    right->setObjectName("PanelActionRight");
    right->setGeometry(225, 0, 420, 300);
    auto* previewLabel = new QLabel(tr("アクションの説明"), right);
    previewLabel->setObjectName("LabelActionPreview");
    previewLabel->move(8, 4);
    PanelActionPreview = new QFrame(right);
    PanelActionPreview->setObjectName("PanelActionPreview");
    static_cast<QFrame*>(PanelActionPreview)->setFrameStyle(QFrame::Box | QFrame::Plain);
    PanelActionPreview->setGeometry(7, 18, 397, 270);
    ImgActionPreview = new ActionPreviewImage(PanelActionPreview);
    ImgActionPreview->setObjectName("ImgActionPreview");
    ImgActionPreview->setGeometry(1, 1, 394, 267);
    ImgActionPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    NameByLabel(ImgActionPreview, previewLabel);

    OnWidgetEvent(area, QEvent::Resize, [this] {
        LBActionList->resize(209, std::max(0, PanelActionArea->height() - kListTop - kListRoomBelow));
    });
    connect(RBPicture, &QRadioButton::clicked, this, &TSelectActionPage::RBActionClick);
    connect(RBString, &QRadioButton::clicked, this, &TSelectActionPage::RBActionClick);
    connect(LBActionList, &QListWidget::itemSelectionChanged, this, &TSelectActionPage::LBActionListClick);
}

void TSelectActionPage::RBActionClick() { FillActionList(); }

void TSelectActionPage::FillActionList() {
    // The selection signal of the clearing and refilling is not a choice of the user's.
    {
        const QSignalBlocker quiet(LBActionList);
        LBActionList->clear();
        const TThActionObjectManager* actions = state_.Actions.get();
        if (!actions) return;
        for (const std::string& name : rules::ActionNames(*actions, targetOf(RBPicture))) {
            auto* item = new QListWidgetItem(TranslatedActionName(name), LBActionList);
            item->setData(kActionNameRole, QString::fromStdString(name));
            const TThActionObject* entry = actions->FindByName(name);
            int number = -1;
            for (int i = 0; i < actions->Count(); ++i)
                if (&actions->Items(i) == entry) number = i;
            item->setData(kActionNumberRole, number);
        }
        if (LBActionList->count() == 0) return;  // the preview keeps what it showed
        LBActionList->setCurrentRow(0);
    }
    LBActionListClick();
}

void TSelectActionPage::LBActionListClick() {
    const auto name = selectedActionName(LBActionList);
    if (!name || !state_.Actions) return;
    const Bitmap* description = rules::ActionDescription(*state_.Actions, *name, targetOf(RBPicture));
    if (!description) return;
    ImgActionPreview->setPixmap(ActionPixmap(*state_.Actions, *description));
    // What the image says, for a screen reader: the action's name and, for a delivered one, its
    // explanation.
    const ActionTarget target = targetOf(RBPicture);
    const char* explanation = DeliveredExplanation(target == ActionTarget::Picture,
                                                   rules::ActionValue(*state_.Actions, *name, target), *name);
    ImgActionPreview->setAccessibleDescription(
        explanation ? tr("%1：%2").arg(TranslatedActionName(*name), TranslatedActionName(explanation))
                    : TranslatedActionName(*name));
    static_cast<ActionPreviewImage*>(ImgActionPreview)->actionNumber =
        LBActionList->currentItem()->data(kActionNumberRole).toInt();
}

void TSelectActionPage::pngBtnAddActionClick() {
    const auto name = selectedActionName(LBActionList);
    if (!name || !state_.Actions) return;  // no entry of this kind to give
    // A change when a picture got another action than it had.
    state_.Edit(rules::kStepGiveAction, [&] {
        rules::GiveActionToSelected(state_.Project, rules::ActionValue(*state_.Actions, *name, targetOf(RBPicture)),
                                    targetOf(RBPicture));
    });
    strip_.RefreshStoryboard();
}

void TSelectActionPage::pngBtnDelActionClick() {
    state_.Edit(rules::kStepTakeActions, [this] { rules::ClearActionsOfSelected(state_.Project); });
    strip_.RefreshStoryboard();
}

void TSelectActionPage::DropActionOnPanel(int index, const QMimeData*) {
    if (index < 0) return state_.notice(window(), Translated(rules::kSelectPanelForAction));
    // The list's choice is what is given, whichever of the two was dragged: the preview shows it.
    const auto name = selectedActionName(LBActionList);
    if (!name || !state_.Actions || index >= state_.Project.Count()) return;
    // Every drop marks the project, one that changes nothing too.
    state_.Edit(rules::kStepGiveAction, [&] {
        rules::GiveActionToPicture(state_.Project, index, *state_.Actions, *name, targetOf(RBPicture));
    }, EditOptions::MarkingAnyway());
    strip_.RefreshStoryboard();
}

void TSelectActionPage::OrderTabs() {
    setTabOrder(LBActionList, pngBtnAddAction);
    setTabOrder(pngBtnAddAction, pngBtnDelAction);
}

void TSelectActionPage::CentreButtonRow(int pageWidth) { kalidor::CentreButtonRow(buttonRow_, pageWidth); }

}  // namespace kalidor
