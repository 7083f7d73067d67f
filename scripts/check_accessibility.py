#!/usr/bin/python3
# The running program as a screen reader finds it on the accessibility bus: walks the tree of the
# main window, the preferences window and the Fit from Shots window and fails when a field, option
# button, list or other control that takes the keyboard focus has no name. The windows are opened
# from the keyboard (their menu mnemonics), as a user without a mouse would; a unit chosen with
# the group key and the arrows must show in the muzzle velocity field's description at once, and
# the zero switch pressed through the bus must rename the zero field.
#   check_accessibility.py PID   (VELORA_ACCESS_VERBOSE=1 lists every control with its texts)
# Run by scripts/check_accessibility.sh, which starts the program on a private session bus.
import os
import subprocess
import sys
import time

import pyatspi

VERBOSE = os.environ.get("VELORA_ACCESS_VERBOSE") == "1"  # every control checked, with its texts

# The roles that must always carry a name; besides them every object that takes the focus must,
# except the rows of a list and the cells of a table, whose name is what they show (a blank line
# between groups of the range table, the empty last line of the shots).
ALWAYS_NAMED = {"radio button", "combo box", "check box", "push button", "page tab", "text", "entry",
                "password text", "spin button"}
CONTENT = {"list item", "table cell"}
# Controls of these roles count as fields when they can be typed into.
FIELD_ROLES = {"text", "entry", "password text", "spin button"}


def log(text):
    print(text, flush=True)


def find_application(pid, timeout=30.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == pid and app.childCount > 0:
                    return app
            except Exception:
                pass
        time.sleep(0.25)
    return None


def walk(node, depth=0, seen=None):
    # Every object under `node`, depth first. Lists of many rows (the range table) are cut after
    # their first rows: the rows are alike and each one costs a round trip on the bus.
    if seen is None:
        seen = set()
    if node is None or depth > 40:
        return
    key = (node.get_bus_name() if hasattr(node, "get_bus_name") else "", node.path if hasattr(node, "path") else id(node))
    if key in seen:
        return
    seen.add(key)
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    try:
        many = node.getRoleName() in ("list", "table", "tree", "tree table")
    except Exception:
        many = False
    for i in range(min(count, 60) if many else count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1, seen)


def frames(app):
    found = {}
    for i in range(app.childCount):
        child = app.getChildAtIndex(i)
        if child is not None:
            found[child.name] = child
    return found


def wait_for_frame(app, name, timeout=15.0):
    # The shown window whose title is `name` or begins with it and a blank.
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        for title, frame in frames(app).items():
            if (title == name or title.startswith(name + " ")) and frame.getState().contains(pyatspi.STATE_SHOWING):
                return frame
        time.sleep(0.2)
    log(f"No window '{name}' among {sorted(frames(app))}")
    return None


def check_window(frame, label):
    # Returns the number of controls checked and of those without a name; prints what was checked.
    counts = {}
    described = {}
    unnamed = []
    rows, blank = 0, 0
    for node in walk(frame):
        try:
            role = node.getRoleName()
            states = node.getState()
            name = node.name or ""
            description = node.description or ""
        except Exception:
            continue
        if not states.contains(pyatspi.STATE_SHOWING):
            continue
        focusable = states.contains(pyatspi.STATE_FOCUSABLE)
        if role in FIELD_ROLES and not (focusable and states.contains(pyatspi.STATE_EDITABLE)):
            continue  # a read-out drawn as text, not a field
        if role in CONTENT:
            rows += 1
            blank += 0 if name.strip() else 1
            continue
        if role not in ALWAYS_NAMED and not focusable:
            continue
        kind = "field" if role in FIELD_ROLES else role
        counts[kind] = counts.get(kind, 0) + 1
        if description:
            described[kind] = described.get(kind, 0) + 1
        if VERBOSE:
            log(f"  {kind}: '{name}' / '{description}'")
        if not name.strip():
            parent = node.parent.name if node.parent is not None else ""
            unnamed.append(f"{kind} (in '{parent}', description '{description[:60]}')")
    summary = ", ".join(f"{kind}: {counts[kind]} ({described.get(kind, 0)} described)" for kind in sorted(counts))
    log(f"{label}: {summary}; {rows} list rows and table cells ({blank} blank)")
    for u in unnamed:
        log(f"  UNNAMED {u}")
    return sum(counts.values()), len(unnamed)


def find(frame, role, name):
    for node in walk(frame):
        try:
            if node.getRoleName() in role and node.name == name:
                return node
        except Exception:
            continue
    return None


def keys(window_id, *sequence):
    subprocess.run(["xdotool", "windowfocus", "--sync", window_id], check=True)
    for k in sequence:
        subprocess.run(["xdotool", "key", k], check=True)
        time.sleep(0.15)


def window_named(name):
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{name}"],
                           check=True, capture_output=True, text=True).stdout.split()
    return found[0]


def main():
    pid = int(sys.argv[1])
    app = find_application(pid)
    if app is None:
        log("The program did not appear on the accessibility bus.")
        return 2
    log(f"Application on the bus: '{app.name}' (pid {pid})")
    main_frame = wait_for_frame(app, "Velora")
    if main_frame is None:
        log("No main window 'Velora' on the bus.")
        return 2

    total, failures = 0, 0
    checked, missing = check_window(main_frame, "Main window")
    total, failures = total + checked, failures + missing

    # A unit chosen from the keyboard: the muzzle velocity field's description follows at once.
    field = find(main_frame, FIELD_ROLES, "Muzzle Velocity")
    main_id = window_named("Velora")
    if field is None:
        log("No field named 'Muzzle Velocity'.")
        failures += 1
    else:
        before = field.description
        field.queryComponent().grabFocus()
        time.sleep(0.3)
        keys(main_id, "F6", "F6", "Down")  # fields → set-up → the unit lists, at the field's own list
        time.sleep(0.5)
        after = field.description
        changed = before != after
        log(f"Muzzle velocity unit changed from the keyboard: description {'follows' if changed else 'DID NOT CHANGE'}")
        log(f"  before: {before}")
        log(f"  after:  {after}")
        if not changed:
            failures += 1
        keys(main_id, "Up")  # the unit back as it was

    # The zero switch pressed as a reader presses a button: the zero field is named afresh.
    switch = find(main_frame, {"push button"}, "Near and far zero switch")
    if switch is None:
        log("No button named 'Near and far zero switch'.")
        failures += 1
    else:
        action = switch.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        press = next((i for i, n in enumerate(names) if n.lower() in ("press", "click")), None)
        if press is None:
            log(f"The zero switch offers no press action ({names}).")
            failures += 1
        else:
            action.doAction(press)
            time.sleep(0.5)
            near = find(main_frame, FIELD_ROLES, "Near Zero")
            log(f"Zero switch pressed through the bus: {'the field is now' if near else 'NO field named'} 'Near Zero'")
            if near is None:
                failures += 1
            action.doAction(press)
            time.sleep(0.3)

    # Utility (Alt+U) → Preferences (R): the preferences window, closed with Escape.
    keys(main_id, "alt+u", "r")
    prefs = wait_for_frame(app, "Preferences")
    if prefs is None:
        log("Alt+U, R did not open the preferences window.")
        failures += 1
    else:
        checked, missing = check_window(prefs, "Preferences window")
        total, failures = total + checked, failures + missing
        keys(window_named("Preferences"), "Escape")
        time.sleep(0.5)

    # Utility (Alt+U) → Fit from Shots… (F): the fit window, closed with Escape.
    keys(main_id, "alt+u", "f")
    fit = wait_for_frame(app, "Fit from Shots")
    if fit is None:
        log("Alt+U, F did not open the Fit from Shots window.")
        failures += 1
    else:
        checked, missing = check_window(fit, "Fit from Shots window")
        total, failures = total + checked, failures + missing
        keys(window_named("Fit from Shots"), "Escape")

    log(f"{total} controls checked, {failures} problem{'s' if failures != 1 else ''}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
