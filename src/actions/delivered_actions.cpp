#include "actions/delivered_actions.h"

#include "translation/message.h"

namespace kalidor {

const std::vector<DeliveredAction>& DeliveredActions() {
    static const std::vector<DeliveredAction> actions = {
        {true, apNone, "apNone", QT_TRANSLATE_NOOP("Actions", "なし"),
         QT_TRANSLATE_NOOP("Actions", "アクションを付けずに、そのまま表示します")},
        {true, apZoomIN, "apZoomIN", QT_TRANSLATE_NOOP("Actions", "ズームイン"),
         QT_TRANSLATE_NOOP("Actions", "小さく現れて大きくなり、拡大しながら消えます")},
        {true, apZoomOut, "apZoomOut", QT_TRANSLATE_NOOP("Actions", "ズームアウト"),
         QT_TRANSLATE_NOOP("Actions", "大きく現れて小さくなり、縮みながら消えます")},
        {true, apCurtainLeft, "apCurtainLeft", QT_TRANSLATE_NOOP("Actions", "カーテン（左から）"),
         QT_TRANSLATE_NOOP("Actions", "左から現れ、最後は左から隠れていきます")},
        {true, apCurtainRight, "apCurtainRight", QT_TRANSLATE_NOOP("Actions", "カーテン（右から）"),
         QT_TRANSLATE_NOOP("Actions", "右から現れ、最後は右から隠れていきます")},
        {true, apBlindHorizon, "apBlindHorizon", QT_TRANSLATE_NOOP("Actions", "ブラインド（横）"),
         QT_TRANSLATE_NOOP("Actions", "縦の羽根が左から開き、右へ閉じていきます")},
        {true, apBlindVertical, "apBlindVertical", QT_TRANSLATE_NOOP("Actions", "ブラインド（縦）"),
         QT_TRANSLATE_NOOP("Actions", "横の羽根が上から開き、下へ閉じていきます")},
        {false, asNone, "asNone", QT_TRANSLATE_NOOP("Actions", "なし"),
         QT_TRANSLATE_NOOP("Actions", "文字を表示しません")},
        {false, asTopL, "asTopL", QT_TRANSLATE_NOOP("Actions", "上・左"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の上の左に表示します")},
        {false, asTopC, "asTopC", QT_TRANSLATE_NOOP("Actions", "上・中央"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の上の中央に表示します")},
        {false, asTopR, "asTopR", QT_TRANSLATE_NOOP("Actions", "上・右"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の上の右に表示します")},
        {false, asCenterL, "asCenterL", QT_TRANSLATE_NOOP("Actions", "中央・左"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の中ほどの左に表示します")},
        {false, asCenterC, "asCenterC", QT_TRANSLATE_NOOP("Actions", "中央"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の真ん中に表示します")},
        {false, asCenterR, "asCenterR", QT_TRANSLATE_NOOP("Actions", "中央・右"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の中ほどの右に表示します")},
        {false, asBottomL, "asBottomL", QT_TRANSLATE_NOOP("Actions", "下・左"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の下の左に表示します")},
        {false, asBottomC, "asBottomC", QT_TRANSLATE_NOOP("Actions", "下・中央"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の下の中央に表示します")},
        {false, asBottomR, "asBottomR", QT_TRANSLATE_NOOP("Actions", "下・右"),
         QT_TRANSLATE_NOOP("Actions", "文字を画面の下の右に表示します")},
    };
    return actions;
}

const char* DeliveredExplanation(bool picture, std::uint8_t value, const std::string& name) {
    for (const DeliveredAction& action : DeliveredActions())
        if (action.picture == picture && action.value == value && name == action.name) return action.explanation;
    return nullptr;
}

}  // namespace kalidor
