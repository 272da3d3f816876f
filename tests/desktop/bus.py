"""What the running program shows, asked once through the accessibility bus; the exit status
answers (0 yes, 1 no), so that the Xvfb checks can wait on it with wait_until.

  bus.py showing NAME...     every object of these names is on the screen
  bus.py is NAME STATE       a shown object of that name is in that state (focused, checked, ...)
  bus.py text NAME REGEX     the text of a shown object of that name matches
  bus.py dump                every shown object: role, name, states of note (to write a check)
"""
import re
import sys

import pyatspi


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app and app.name.lower() == "kalidor":
            return app
    return None


def shown(node):
    """Every object on the screen below node."""
    for child in filter(None, node):
        if child.getState().contains(pyatspi.STATE_SHOWING):
            yield child
            yield from shown(child)


def main(args):
    app = application()
    if app is None:
        return 1
    objects = list(shown(app))
    named = {}
    for obj in objects:
        named.setdefault(obj.name, obj)
    what = args[0]
    if what == "showing":
        return 0 if all(name in named for name in args[1:]) else 1
    if what == "is":
        state = getattr(pyatspi, "STATE_" + args[2].upper())
        return 0 if any(o.name == args[1] and o.getState().contains(state) for o in objects) else 1
    if what == "text":
        for obj in objects:
            if obj.name == args[1] and "Text" in pyatspi.utils.listInterfaces(obj):
                if re.search(args[2], obj.queryText().getText(0, -1)):
                    return 0
        return 1
    if what == "dump":
        for obj in objects:
            states = [s for s, flag in (("focused", pyatspi.STATE_FOCUSED), ("checked", pyatspi.STATE_CHECKED),
                                        ("active", pyatspi.STATE_ACTIVE)) if obj.getState().contains(flag)]
            print(obj.getRoleName(), repr(obj.name), " ".join(states))
        return 0
    sys.exit(f"bus.py: unknown question {what}")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
