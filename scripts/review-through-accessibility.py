#!/usr/bin/python3
"""Drives a running dgh-gui over the accessibility bus, as a screen reader user would: opens a
file that is no log (a picture) through File > Open Log... and closes the box that says so, then writes a
night log (two header blocks across midnight, German totals) to FILE, opens it the same way and
reads the review window's status: its rows and its first and last date-time.

    review-through-accessibility.py FILE

Needs what log-through-accessibility.py needs. Exits non-zero, saying why, if a step fails."""
import os
import runpy
import sys
import time
import types

# The other script's helpers (it runs nothing unless it is the program itself).
here = os.path.dirname(os.path.abspath(__file__))
drive = types.SimpleNamespace(**runpy.run_path(os.path.join(here, 'log-through-accessibility.py')))


def night_log(path):
    """From 23:00 to 01:00, one row every 2 s; a restart with a new calibration at 00:00."""
    def header(date, offset):
        lines = ['', f'"Corvik pH probe Logging Program",#{date}#', '"Version: 2.2"', '',
                 f'"Probe 1 Offset: {offset}"', f'"Probe 2 Offset: {offset}"',
                 '"Probe 1 Slope: 4,5427"', '"Probe 2 Slope: 4,5427"',
                 '"Probe 1 Serial Number: 180312"', '"Probe 2 Serial Number: 180312"',
                 '"Probe 1 Calibration Date: 01.12.2026"',
                 '"Probe 2 Calibration Date: 01.12.2026"', f'"Log File: {path}"', '',
                 '"Time, Therm1, Therm2, Therm3, pH-1 mV, pH-2 mV, pH-1 value, pH-2 value, '
                 'Flow frequency, liters/min, Total Liters"', '']
        return ''.join(line + '\r\n' for line in lines)
    text = header('2026-12-08', '2,5777')
    for i in range(3600):
        if i == 1800:
            text += header('2026-12-09', '2,6012')
        seconds = (23 * 3600 + 2 * i) % 86400
        clock = f'{seconds // 3600:02}:{seconds // 60 % 60:02}:{seconds % 60:02}'
        total = f'{i * 0.01:.2f}'.replace('.', ',')
        text += f'"{clock}",21.5,21.6,21.7,-12.5,15.2,{7 + i / 36000:.4f},6.9,123.5,1.07,"{total}"\r\n'
    with open(path, 'w', encoding='latin-1', newline='') as f:
        f.write(text)


def open_log(path):
    drive.act('menu item', 'Open Log...')
    dialog = lambda: drive.window('Open Log')
    name = None
    for _ in range(50):
        name = drive.find(dialog(), 'text', 'File name:')
        if name is not None:
            break
        time.sleep(0.2)
    name.queryEditableText().setTextContents(path)
    drive.act('push button', 'Open', dialog)


def wait_for(within, role, part, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        node = drive.find(within(), role, part, lambda name, wanted: wanted in name)
        if node is not None:
            return node
        time.sleep(0.3)
    sys.exit(f'no {role} saying {part!r}')


def main():
    path = os.path.abspath(sys.argv[1])
    # A picture is no log, even under a log's name: a box says so, and OK closes it. (The
    # dialog's filter shows logs; an operator would choose "All Files" for another name.)
    picture = os.path.join(os.path.dirname(path), 'picture.csv')
    with open(picture, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + bytes(2000))
    open_log(picture)
    box = wait_for(drive.program, 'label', 'is not a log of this program')
    print(f'no log: {box.name}')
    drive.act('push button', 'OK')

    night_log(path)
    open_log(path)
    review = lambda: drive.window('Review - ' + os.path.basename(path), 20)
    status = wait_for(review, 'label', ' rows from ')
    print(f'review: {status.name}')
    count = status.name.split()[0]
    if count not in ('3600', '3.600', '3,600', '3\u202f600') or status.name.count('2026') != 2:
        sys.exit(f'the review says {status.name!r}: not 3600 rows on two dates')
    drive.act('menu item', 'Close', review)


if __name__ == '__main__':
    main()
