#!/usr/bin/python3
"""Drives a running dgh-gui over the accessibility bus, as a screen reader user would: switches
every group on, sets up logging to FILE at 0.1 s and waits until ROWS rows are written.

    log-through-accessibility.py FILE [ROWS]

Needs the session bus, the accessibility bus and QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 in the
program's environment, and xdotool. Exits non-zero, saying why, if a step fails."""
import csv
import os
import subprocess
import sys
import time

import pyatspi

PROGRAM = 'Halvane DGH GUI'


def program():
    for _ in range(200):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == PROGRAM:
                return app
        time.sleep(0.1)
    sys.exit(f'{PROGRAM} is not on the accessibility bus')


def find(node, role, name, matches=lambda found, wanted: found == wanted):
    try:
        if node.getRoleName() == role and matches(node.name, name):
            return node
        for child in node:
            if child is not None:
                found = find(child, role, name, matches)
                if found is not None:
                    return found
    except Exception:
        pass  # a node that went away while we looked
    return None


def window(title, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        for w in program():
            if w is not None and w.name == title:
                return w
        time.sleep(0.2)
    sys.exit(f'no window {title!r}')


def act(role, name, within=None, use=lambda node: node.queryAction().doAction(0), timeout=10):
    """Finds the control afresh each time (objects come and go) and uses it."""
    end = time.time() + timeout
    while True:
        try:
            node = find(within() if within else program(), role, name)
            if node is not None:
                use(node)
                return node
        except Exception:
            pass
        if time.time() > end:
            sys.exit(f'cannot use {role} {name!r}')
        time.sleep(0.2)


def rows_in(path):
    """The rows that carry readings: eleven items, and a temperature and a pH above zero. The
    total is quoted and regional ("0,29" under German), so the rows are read as CSV."""
    with open(path, encoding='latin-1', newline='') as f:
        rows = [r for r in csv.reader(f) if len(r) == 11]
    def reading(text):
        try:
            return float(text)
        except ValueError:
            return 0.0  # the column heading line
    return [','.join(r) for r in rows if reading(r[1]) > 0 and reading(r[6]) > 0]


def main():
    path = os.path.abspath(sys.argv[1])
    wanted = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    open(path, 'w').close()  # an existing file: the save dialog asks nothing more

    for switch in ('Start flow', 'Enable DGH', 'Start thermistors'):
        act('check box', switch)
    act('menu item', 'Setup')
    logger = lambda: window('Logger')
    act('radio button', 'Write to File', logger)
    act('radio button', 'Overwrite', logger)
    # A combo box's entries are chosen only by the mouse or keyboard (Qt's list items select
    # without choosing): a click where the bus says the box is opens the list, End and Return
    # take its last entry, 0.1 s.
    def open_list(node):
        x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(['xdotool', 'mousemove', str(x + w // 2), str(y + h // 2), 'click', '1'],
                       check=True)
    act('combo box', 'Logging Interval(sec)', logger, open_list)
    time.sleep(0.5)
    subprocess.run(['xdotool', 'key', 'End', 'Return'], check=True)
    act('push button', 'Select File', logger)
    save_as = lambda: window('Save As')
    name = None
    for _ in range(50):
        name = find(save_as(), 'text', 'File name:')
        if name is not None:
            break
        time.sleep(0.2)
    name.queryEditableText().setTextContents(path)
    act('push button', 'Save', save_as)
    act('push button', 'OK', logger)

    end = time.time() + 30
    while time.time() < end and len(rows_in(path)) < wanted:
        time.sleep(0.5)
    rows = rows_in(path)
    if len(rows) < wanted:
        sys.exit(f'{len(rows)} rows in {path} after 30 s, wanted {wanted}')
    print(f'{len(rows)} rows logged to {path}; the last: {rows[-1]}')
    act('menu item', 'Stop Logging')


if __name__ == '__main__':
    main()
