"""What a screen reader finds in the running program, read through the accessibility bus.

Run by screen_reader.sh with the project list showing. The project is opened with Enter, each
page is shown by pressing its page tab through the bus, and the page's table names what must
show there: role and name, and where given the states and the description. A panel is chosen
with its thumbnail's press action, and the time and font dialogs are opened with their buttons'
press actions and checked alike. Then Tab is pressed round each page, and what the bus reports at
each focus change must be the page's round; Tab is pressed until the focus is on a page tab, and
Space on it must show its page; last, Alt+1 leaves the project and the name dialog is checked.

Under an English locale (LANG=en_…) every name is the one the English catalogue gives
(translations/kalidor_en.ts), and no name or description may hold Japanese but the user's data:
the project's name, its pictures' names and captions.
"""
import os
import re
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree

import pyatspi
from gi.repository import GLib

R = pyatspi
PUSH, TAB, SPIN, TEXT, LABEL, IMAGE, LIST, ITEM, COMBO, CHECK, RADIO, TREE = (
    R.ROLE_PUSH_BUTTON, R.ROLE_PAGE_TAB, R.ROLE_SPIN_BUTTON, R.ROLE_TEXT, R.ROLE_LABEL, R.ROLE_IMAGE, R.ROLE_LIST,
    R.ROLE_LIST_ITEM, R.ROLE_COMBO_BOX, R.ROLE_CHECK_BOX, R.ROLE_RADIO_BUTTON, R.ROLE_TREE)
PAGE_NAMES = ("プロジェクト選択", "画像選択", "アクション選択", "動画保存")


def menu(page):
    """The page tabs, the current one selected, and the save button."""
    return [(TAB, n, "selected" if i == page else "-selected") for i, n in enumerate(PAGE_NAMES)] + \
           [(PUSH, "プロジェクト保存")]


PANEL = [(IMAGE, "縮小画像 001"), (LABEL, "番号 001"), (IMAGE, "画像アクション 001", "", "ズームイン"),
         (PUSH, "時間設定 001", "", "0:04"), (LABEL, "表示時間 001"), (TEXT, "文字 001"), (PUSH, "フォント設定 001"),
         (IMAGE, "縮小画像 003"), (PUSH, "フォント設定 003"), (LIST, "ストーリーボード"),
         (ITEM, "画像 001 夕焼け.jpg", "-selected", "表示時間 0:04、画像アクション ズームイン、文字アクション 下・中央、文字 夕焼けの海"),
         (ITEM, "画像 003 tower.bmp", "-selected", "表示時間 0:03、画像アクション ブラインド（横）、文字アクション なし")]
# The page's tab, and what must show on it.
PAGES = [
    ("プロジェクト選択", menu(0) + [(PUSH, n) for n in ("新規作成", "名前の変更", "削除", "開く")] +
     [(LIST, "プロジェクト一覧"), (R.ROLE_PROGRESS_BAR, "進み具合")]),
    ("画像選択", menu(1) + PANEL + [(PUSH, n) for n in ("デスクトップ", "ドキュメント", "前へ", "後ろへ", "画像を追加",
                                                        "画像を削除")] +
     [(COMBO, "場所"), (TREE, "フォルダ"), (LIST, "フォルダの画像")]),
    ("アクション選択", menu(2) + PANEL + [(PUSH, "アクションを追加"), (PUSH, "アクションを削除"), (LIST, "アクションを選択"),
                                          (IMAGE, "アクションの説明", "", "なし：アクションを付けずに、そのまま表示します")]),
    ("動画保存", menu(3) + [(PUSH, "動画を作成"), (SPIN, "幅"), (SPIN, "高さ"), (PUSH, "1コマ戻る"), (PUSH, "再生"),
                            (PUSH, "1コマ進む"), (COMBO, "動画の画質"), (TEXT, "保存場所", "read_only"),
                            (R.ROLE_SLIDER, "再生位置"), (R.ROLE_ANIMATION, "プレビュー")]),
]
# The second panel chosen with its thumbnail's press action.
CHOSEN = [(ITEM, "画像 002 hills.jpg", "selected"), (IMAGE, "縮小画像 002", "selected"),
          (ITEM, "画像 001 夕焼け.jpg", "-selected")]
# The dialog opened by pressing a button, and what must show in it.
DIALOGS = [
    ("時間設定 001", [(COMBO, "切替時間"), (LABEL, "秒"), (PUSH, "設定"), (PUSH, "キャンセル")]),
    ("フォント設定 001", [(COMBO, "フォント"), (COMBO, "大きさ"), (IMAGE, "色", "", "#ffffff"), (PUSH, "変更"), (CHECK, "太字", "checked"),
                          (CHECK, "斜体", "-checked"), (CHECK, "下線", "-checked")]),
]
NAME_DIALOG = ("新規作成", [(TEXT, "プロジェクト名"), (PUSH, "作成"), (PUSH, "キャンセル")])
# Names once given to the wrong control or to two of them.
NEVER = [(PUSH, "保存場所"), (SPIN, "動画サイズ"), (COMBO, "04"), (CHECK, "B")]
# Each page's round of Tab, from its first page tab: what the bus reports at each focus change.
STOPS = [stop for i in (1, 2, 3) for stop in
         ((IMAGE, f"縮小画像 00{i}"), (PUSH, f"時間設定 00{i}"), (TEXT, f"文字 00{i}"), (PUSH, f"フォント設定 00{i}"))]
ROUNDS = [
    ("画像選択", menu(1) + [(PUSH, "デスクトップ"), (PUSH, "ドキュメント"), (COMBO, "場所"), (TREE, "フォルダ"),
                            (LIST, "フォルダの画像")] + [(PUSH, n) for n in ("前へ", "後ろへ", "画像を追加", "画像を削除")] + STOPS),
    ("アクション選択", menu(2) + [(RADIO, "画像"), (LIST, "アクションを選択"), (PUSH, "アクションを追加"), (PUSH, "アクションを削除")] + STOPS),
    ("動画保存", menu(3) + [(RADIO, "MP4"), (RADIO, "4：3"), (SPIN, "幅"), (SPIN, "高さ"), (COMBO, "動画の画質"),
                            (CHECK, "音楽を使用する"), (TEXT, "保存場所"), (PUSH, "参照"), (PUSH, "動画を作成"),
                            (R.ROLE_ANIMATION, "プレビュー")]),
]
PROJECT_ROUND = [(TAB, "プロジェクト選択", "selected")] + [(PUSH, n) for n in ("新規作成", "名前の変更", "削除", "開く")] + \
                [(LIST, "プロジェクト一覧")]
TAB_TARGET = "アクション選択"
QUESTION = (LABEL, "現在、開いているプロジェクトは変更されています。\r\n続行してよろしいですか？")

ENGLISH = os.environ.get("LANG", "").startswith("en") and not os.environ.get("LC_ALL")
JAPANESE = re.compile("[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]")


def catalogue():
    """Each Japanese text of the English catalogue and its translations, by context."""
    def text(element):  # lupdate writes a "\r" as <byte value="xd"/>
        return (element.text or "") + "".join(chr(int(b.get("value").lstrip("x"), 16)) + (b.tail or "") for b in element)

    here = os.path.dirname(os.path.realpath(__file__))
    texts = {}
    for context in ElementTree.parse(os.path.join(here, "../../translations/kalidor_en.ts")).getroot():
        for message in context.iter("message"):
            texts.setdefault(text(message.find("source")), {})[context.findtext("name")] = \
                text(message.find("translation"))
    return texts


ENGLISH_TEXTS = catalogue() if ENGLISH else {}


def say(name):
    """The name as the program gives it: in English the catalogue's words, a panel's number and a
    file name kept ("縮小画像 001" is "Thumbnail 001"); a panel's part in the panels' words."""
    if not ENGLISH or not name:
        return name
    head, _, rest = name.partition(" ")
    for text, tail in ((name, ""), (head, " " + rest)):
        if text in ENGLISH_TEXTS:
            words = ENGLISH_TEXTS[text]
            return words.get("StoryPanel" if tail else "kalidor::TFormFontConfig", next(iter(words.values()))) + tail
    return name


def user_data():
    """The example project's own words, as kalidor-cli reads them: its name, pictures and captions."""
    example = os.environ["EXAMPLE"]
    cli = os.path.join(os.path.dirname(os.environ["PROGRAM"]), "kalidor-cli")
    info = subprocess.run([cli, "info", example], check=True, capture_output=True, text=True).stdout
    return ["例"] + os.listdir(example) + re.findall(r'\| "(.*)" \| "', info)


USER_DATA = user_data() if ENGLISH else []


def japanese_shown(objects):
    """The names and descriptions shown that hold Japanese once the user's data is taken out."""
    def rest(text):
        for word in USER_DATA:
            text = text.replace(word, "")
        return text
    return sorted({t for o in objects for t in (o.name, o.description) if JAPANESE.search(rest(t))})


def showing(app):
    """Every object on the screen, in every window of the program; one that goes while it is
    read (a closing window's) is left out."""
    found = []

    def walk(node):
        for child in filter(None, node):
            try:
                if child.getState().contains(pyatspi.STATE_SHOWING):
                    found.append(child)
                    walk(child)
            except GLib.Error:
                pass

    walk(app)
    return found


def matches(obj, row):
    """Whether the object is the row's: role, name, the states named ("-" one that must not be)
    and the description (in Japanese only: the English one is the catalogue's)."""
    role, name, states, description = list(row) + ["", None][len(row) - 2:]
    try:
        return obj.getRole() == role and obj.name == say(name).replace("\r\n", "\n") and \
            all(obj.getState().contains(getattr(pyatspi, "STATE_" + s.lstrip("-").upper())) != s.startswith("-")
                for s in states.split()) and (ENGLISH or description is None or obj.description == description)
    except GLib.Error:  # gone since it was found
        return False


def wait_for(app, wanted, what, gone=None):
    """Until every row shows (and the row `gone` no more); nothing named wrongly, no text in
    Windows' line breaks, and in English no Japanese but the user's."""
    for _ in range(300):
        objects = showing(app)
        missing = [w for w in wanted if not any(matches(o, w) for o in objects)]
        missing += [("gone", gone)] if gone and any(matches(o, gone) for o in objects) else []
        if not missing:
            if any("\r" in o.name for o in objects):
                sys.exit(f"{what}: a name with \\r: {[o.name for o in objects if chr(13) in o.name]}")
            wrong = [w for w in NEVER if any(matches(o, w) for o in objects)]
            if wrong:
                sys.exit(f"{what}: wrongly named {wrong}")
            if ENGLISH and japanese_shown(objects):
                sys.exit(f"{what}: Japanese shown: {japanese_shown(objects)}")
            return objects
        time.sleep(0.1)
    sys.exit(f"{what}: missing {missing}; found {sorted({(o.getRoleName(), o.name, o.description) for o in objects})}")


def named(app, role, name):
    return next(o for o in showing(app) if matches(o, (role, name)))


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


# What the bus reports at each focus change, in order.
FOCUS = []


def key(name):
    """Presses a key and waits until the bus reports the focus change it makes."""
    before = len(FOCUS)
    subprocess.run(["xdotool", "key", name], check=True)
    end = time.time() + 30
    while len(FOCUS) == before:
        if time.time() > end:
            sys.exit(f"{name} did not move the focus from {FOCUS[-1].name if FOCUS else None}")
        GLib.MainContext.default().iteration(False) or time.sleep(0.01)
    return FOCUS[-1]


def round_of_tab(page, wanted):
    """Tab until the focus comes back where it began; the round, from the page's first tab,
    must be the table's."""
    first = key("Tab")
    stops = [first]
    while len(stops) < 100:
        stop = key("Tab")
        if stop.path == first.path:
            break
        stops.append(stop)
    start = next((i for i, s in enumerate(stops) if s.getRole() == TAB), 0)
    stops = stops[start:] + stops[:start]
    if len(stops) != len(wanted) or not all(matches(s, w) for s, w in zip(stops, wanted)):
        sys.exit(f"Tab round {page}: {[(s.getRoleName(), s.name) for s in stops]}")


app = application()
pyatspi.Registry.registerEventListener(
    lambda event: event.detail1 and FOCUS.append(event.source),
    "object:state-changed:focused")
wait_for(app, PAGES[0][1], "the project list")
subprocess.run(["xdotool", "key", "Home", "Return"], check=True)
wait_for(app, PAGES[1][1], "after Enter on the project list")
press(named(app, IMAGE, "縮小画像 002"))
wait_for(app, CHOSEN, "the second panel chosen")
for button, wanted in DIALOGS:
    press(named(app, PUSH, button))
    wait_for(app, wanted, f"the dialog of {button}")
    press(named(app, PUSH, "キャンセル"))
    wait_for(app, [(TAB, "画像選択", "selected")], f"the dialog of {button} closed", gone=wanted[0])
# No window manager: the keyboard is given back to the window as one would.
subprocess.run(["xdotool", "windowfocus", "--sync", os.environ["WID"]], check=True)
for tab, wanted in PAGES[2:]:
    press(named(app, TAB, tab))
    wait_for(app, wanted, f"the page of {tab}")
for tab, wanted in ROUNDS:
    press(named(app, TAB, tab))
    wait_for(app, [(TAB, tab, "selected")], f"the page of {tab}")
    round_of_tab(tab, wanted)
for _ in range(40):
    if matches(key("Tab"), (TAB, TAB_TARGET)):
        break
else:
    sys.exit(f"Tab never brought the focus to {TAB_TARGET}")
subprocess.run(["xdotool", "key", "space"], check=True)
wait_for(app, PAGES[2][1], f"after Space on {TAB_TARGET}")
# The dialogs closed with Cancel left the project marked changed: leaving it asks, in plain lines.
subprocess.run(["xdotool", "key", "alt+1"], check=True)
yes = [o for o in wait_for(app, [QUESTION], "the question on leaving") if re.match("(はい|Yes)", o.name)]
press(yes[0])
wait_for(app, PAGES[0][1], "after Alt+1")
subprocess.run(["xdotool", "windowfocus", "--sync", os.environ["WID"]], check=True)
round_of_tab(PAGES[0][0], PROJECT_ROUND)
press(named(app, PUSH, NAME_DIALOG[0]))
wait_for(app, NAME_DIALOG[1], "the name dialog")
print("screen reader check passed")
