"""What a screen reader finds in the running program, read through the accessibility bus.

Run by screen_reader.sh with the project list showing. The project is opened with Enter, each
page is shown by pressing its menu button through the bus, and the page's table names what must
show there with its role. Then Tab is pressed until the bus reports the focus on a menu button,
and Space on it must show its page.

Under an English locale (LANG=en_…) the names are the English ones, and no text on any page may
hold Japanese but the user's data: the project's name, its pictures' names and captions.
"""
import os
import re
import subprocess
import sys
import time

import pyatspi

PUSH, SPIN, TEXT, LABEL, IMAGE = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TEXT,
                                  pyatspi.ROLE_LABEL, pyatspi.ROLE_IMAGE)
MENU = [(PUSH, name) for name in ("プロジェクト選択", "画像選択", "アクション選択", "動画保存", "プロジェクト保存")]
PANEL = [(IMAGE, "縮小画像 001"), (LABEL, "番号 001"), (IMAGE, "画像アクション 001"), (IMAGE, "時間設定 001"),
         (LABEL, "表示時間 001"), (TEXT, "文字 001"), (PUSH, "フォント設定 001"), (IMAGE, "縮小画像 003"),
         (PUSH, "フォント設定 003")]
# The page's menu button, and what must show on it.
PAGES = [
    ("プロジェクト選択", MENU + [(PUSH, n) for n in ("新規作成", "名前の変更", "削除", "開く")]),
    ("画像選択", MENU + PANEL + [(PUSH, n) for n in ("デスクトップ", "ドキュメント", "前へ", "後ろへ",
                                                     "画像を追加", "画像を削除")]),
    ("アクション選択", MENU + PANEL + [(PUSH, "アクションを追加"), (PUSH, "アクションを削除")]),
    ("動画保存", MENU + [(PUSH, "動画を作成"), (SPIN, "幅"), (SPIN, "高さ"), (PUSH, "1コマ戻る"),
                         (PUSH, "再生"), (PUSH, "1コマ進む")]),
]
# Names once given to the wrong control or to two of them.
NEVER = [(PUSH, "保存場所"), (SPIN, "動画サイズ")]
TAB_TARGET = "アクション選択"

ENGLISH = os.environ.get("LANG", "").startswith("en") and not os.environ.get("LC_ALL")
if ENGLISH:
    MENU = [(PUSH, name) for name in ("Projects", "Pictures", "Actions", "Movie", "Save Project")]
    PANEL = [(IMAGE, "Thumbnail 001"), (LABEL, "Number 001"), (IMAGE, "Picture action 001"),
             (IMAGE, "Set display time 001"), (LABEL, "Display time 001"), (TEXT, "Caption 001"),
             (PUSH, "Caption font 001"), (IMAGE, "Thumbnail 003"), (PUSH, "Caption font 003")]
    PAGES = [
        ("Projects", MENU + [(PUSH, n) for n in ("New", "Rename", "Delete", "Open")]),
        ("Pictures", MENU + PANEL + [(PUSH, n) for n in ("Desktop", "Documents", "Move Earlier", "Move Later",
                                                         "Add Pictures", "Delete Pictures")]),
        ("Actions", MENU + PANEL + [(PUSH, "Add Action"), (PUSH, "Remove Action")]),
        ("Movie", MENU + [(PUSH, "Make Movie"), (SPIN, "Width"), (SPIN, "Height"), (PUSH, "Back one frame"),
                          (PUSH, "Play"), (PUSH, "Forward one frame")]),
    ]
    NEVER = [(PUSH, "Save to"), (SPIN, "Movie size")]
    TAB_TARGET = "Actions"

JAPANESE = re.compile("[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]")


def user_data():
    """The example project's own words, as kalidor-cli reads them: its name, pictures and captions."""
    example = os.environ["EXAMPLE"]
    cli = os.path.join(os.path.dirname(os.environ["PROGRAM"]), "kalidor-cli")
    info = subprocess.run([cli, "info", example], check=True, capture_output=True, text=True).stdout
    return ["例"] + os.listdir(example) + re.findall(r'\| "(.*)" \| "', info)


def japanese_shown(found, allowed):
    """The names shown that hold Japanese once the user's data is taken out of them."""
    def rest(name):
        for word in allowed:
            name = name.replace(word, "")
        return name
    return sorted({name for _, name in found if JAPANESE.search(rest(name))})


def showing(app):
    """(role, name) of every named object on the screen, and the objects by name."""
    found, objects = [], {}

    def walk(node):
        for child in filter(None, node):
            if child.getState().contains(pyatspi.STATE_SHOWING):
                if child.name:
                    found.append((child.getRole(), child.name))
                    objects.setdefault(child.name, child)
                walk(child)

    walk(app)
    return found, objects


def wait_for(app, wanted, what):
    for _ in range(300):
        found, objects = showing(app)
        missing = [w for w in wanted if w not in found]
        if not missing:
            wrong = [w for w in NEVER if w in found]
            if wrong:
                sys.exit(f"{what}: wrongly named {wrong}")
            if ENGLISH and japanese_shown(found, USER_DATA):
                sys.exit(f"{what}: Japanese shown: {japanese_shown(found, USER_DATA)}")
            return objects
        time.sleep(0.1)
    sys.exit(f"{what}: missing {missing}; found {sorted(set(found))}")


def press(obj):
    action = obj.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "press" not in names:
        sys.exit(f"{obj.name}: no press action among {names}")
    action.doAction(names.index("press"))


def application():
    for _ in range(300):
        apps = [a for a in pyatspi.Registry.getDesktop(0) if a and a.name.lower() == "kalidor"]
        if apps:
            return apps[0]
        time.sleep(0.1)
    sys.exit("the program is not on the accessibility bus")


USER_DATA = user_data() if ENGLISH else []
app = application()
wait_for(app, PAGES[0][1], "the project list")
subprocess.run(["xdotool", "key", "Home", "Return"], check=True)
wait_for(app, PAGES[1][1], "after Enter on the project list")
for button, wanted in PAGES[1:]:
    press(showing(app)[1][button])
    wait_for(app, wanted, f"the page of {button}")
def focused(app):
    """Where the keyboard focus is: each focused object's role, name and place."""
    found = []

    def walk(node):
        for child in filter(None, node):
            state = child.getState()
            if state.contains(pyatspi.STATE_SHOWING):
                if state.contains(pyatspi.STATE_FOCUSED):
                    box = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                    found.append((child.getRole(), child.name, box.x, box.y, box.width, box.height))
                walk(child)

    walk(app)
    return found


for _ in range(40):
    before = focused(app)
    subprocess.run(["xdotool", "key", "Tab"], check=True)
    # Each Tab is answered before the next: the focus has moved.
    for _ in range(300):
        if focused(app) != before:
            break
        time.sleep(0.1)
    else:
        sys.exit(f"Tab did not move the focus from {before}")
    target = showing(app)[1].get(TAB_TARGET)
    if target is not None and target.getState().contains(pyatspi.STATE_FOCUSED):
        break
else:
    sys.exit(f"Tab never brought the focus to {TAB_TARGET}")
subprocess.run(["xdotool", "key", "space"], check=True)
wait_for(app, PAGES[2][1], f"after Space on {TAB_TARGET}")
print("screen reader check passed")
