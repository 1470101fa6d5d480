#!/usr/bin/python3
"""Reads the window's accessible tree through AT-SPI, as a screen reader does, and checks it.

    accessible_tree.py window        every control's role and name, the size field's label
    accessible_tree.py alert TITLE   a box of that title is open, as an alert
    accessible_tree.py progress      the picture box is a progress indicator short of 100
    accessible_tree.py report        the picture box is text holding the split's report
    accessible_tree.py join TITLE    the join window of that title, with its controls named
    accessible_tree.py joined        the join window reads the joined file's path

Exits 1 with the reason when a check fails; waits up to ten seconds for what it looks for.
"""
import sys
import time

import pyatspi

APP = "Morsela Win"
CONTROLS = [("frame", APP), ("text", "File to split"), ("text", "Size in KB of splits"),
            ("push button", "Do Stuff"), ("push button", "End"), ("push button", "Open File"),
            ("progress bar", "Split progress"), ("combo box", "Output drive"),
            ("tree", "Output directory"), ("text", "Output directory path"),
            ("label", "Size in KB of splits"), ("label", "Output directory")]
JOIN_CONTROLS = [("text", "Folder to save in"), ("push button", "Change Folder..."),
                 ("progress bar", "Join progress"), ("push button", "Join"),
                 ("push button", "Cancel")]


def fail(reason):
    sys.exit(f"accessible tree: {reason}")


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def waited(find, what):
    for _ in range(100):
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    fail(f"found no {what}")


def application():
    return waited(lambda: next((a for a in pyatspi.Registry.getDesktop(0)
                                if a is not None and a.name == APP), None), "application")


def find(role, name=None):
    return waited(lambda: next((n for n in walk(application()) if n.getRoleName() == role and
                                name in (None, n.name)), None), f"{role} named {name!r}")


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return ""


def main(check, *args):
    if check == "window":
        for role, name in CONTROLS:
            find(role, name)
        size = find("text", "Size in KB of splits")
        if [r.getTarget(0).getRoleName() for r in size.getRelationSet()
                if r.getRelationType() == pyatspi.RELATION_LABELLED_BY] != ["label"]:
            fail("the size field is labelled by no label")
        path = find("text", "Output directory path")
        if not text_of(path).endswith("/") or path.getState().contains(pyatspi.STATE_FOCUSABLE):
            fail(f"the output path reads {text_of(path)!r} or claims to take the focus")
        print(f"accessible tree: {len(CONTROLS)} controls named as expected")
    elif check == "alert":
        find("alert", args[0])
        print(f"accessible tree: the box {args[0]!r} is an alert")
    elif check == "progress":
        value = find("progress bar", "Split progress").queryValue()
        if (value.minimumValue, value.maximumValue) != (0, 100) or not 0 <= value.currentValue < 100:
            fail(f"the progress of a split under way reads {value.currentValue}")
        print(f"accessible tree: the progress indicator reads {value.currentValue:g} of 100")
    elif check == "report":
        report = waited(lambda: next((text_of(n) for n in walk(application())
                                      if n.getRoleName() == "label" and
                                      text_of(n).startswith("Time it took to split\n")), None),
                        "label holding the report")
        float(report.split("\n")[1])
        print(f"accessible tree: the report reads {report!r}")
    elif check == "join":
        find("dialog", args[0])
        for role, name in JOIN_CONTROLS:
            find(role, name)
        print(f"accessible tree: the dialog {args[0]!r} and {len(JOIN_CONTROLS)} controls named")
    elif check == "joined":
        result = find("push button", "Open Folder").description
        if not result.startswith("Joined /"):
            fail(f"Open Folder does not read the result: {result!r}")
        print(f"accessible tree: Open Folder reads {result.splitlines()[0]!r}")
    else:
        fail(f"unknown check {check!r}")


if __name__ == "__main__":
    main(*sys.argv[1:])
