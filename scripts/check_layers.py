#!/usr/bin/env python3
"""Checks the house rules that the compiler cannot see.

- every #include "room/..." in src/<room>/ names the room itself or a room that src/rooms.txt
  allows it to use (nothing may use app, the composition root);
- the room graph of src/rooms.txt has no cycle;
- engine rooms include no Qt Widgets header and no message-box header;
- no source file under src/ is over 700 lines;
- outside app/, no mutable function-local static, no global Set...Hook / Install... registry.

Prints each violation and exits 1 when there is any.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")
MAX_LINES = 700


def read_rooms():
    rooms, engine = {}, set()
    with open(os.path.join(SRC, "rooms.txt"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^([a-z]+):([^|]*)(\|.*)?$", line.strip())
            if not m:
                continue
            rooms[m.group(1)] = set(m.group(2).split())
            if m.group(3) and "engine" in m.group(3):
                engine.add(m.group(1))
    return rooms, engine


def widget_headers():
    names = set()
    for base in ("/usr/include/x86_64-linux-gnu/qt6/QtWidgets", "/usr/include/qt6/QtWidgets"):
        if os.path.isdir(base):
            names.update(n for n in os.listdir(base) if n.startswith("Q") and "." not in n)
    names.update({"QWidget", "QMessageBox", "QApplication", "QDialog"})
    return names


def find_cycle(rooms):
    state = {}

    def visit(r, path):
        state[r] = 1
        for d in sorted(rooms.get(r, ())):
            if state.get(d) == 1:
                return path + [r, d]
            if d not in state:
                c = visit(d, path + [r])
                if c:
                    return c
        state[r] = 2
        return None

    for r in sorted(rooms):
        if r not in state:
            c = visit(r, [])
            if c:
                return c
    return None


LOCAL_STATIC = re.compile(r"^\s+static\s+(?!const\b|constexpr\b|inline\b|void\b|bool\s+\w+\()(?!.*\()[^;=]*[;={]")
REGISTRY = re.compile(r"^(?:void|bool)\s+(Set\w*Hook|Install\w+)\s*\(")


def main():
    rooms, engine = read_rooms()
    problems = []
    cycle = find_cycle(rooms)
    if cycle:
        problems.append("rooms.txt: the rooms use each other in a circle: " + " -> ".join(cycle))
    for r, uses in rooms.items():
        if "app" in uses:
            problems.append(f"rooms.txt: {r} may not use app (the composition root)")
        for u in uses:
            if u not in rooms:
                problems.append(f"rooms.txt: {r} uses unknown room {u}")
    widgets = widget_headers()
    for room in sorted(os.listdir(SRC)):
        folder = os.path.join(SRC, room)
        if not os.path.isdir(folder):
            continue
        if room not in rooms:
            problems.append(f"src/{room}: a folder that src/rooms.txt does not list")
            continue
        allowed = rooms[room] | {room}
        for dirpath, _, files in os.walk(folder):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, ROOT)
                with open(path, encoding="utf-8") as f:
                    lines = f.read().split("\n")
                if len(lines) - 1 > MAX_LINES:
                    problems.append(f"{rel}: {len(lines) - 1} lines (at most {MAX_LINES})")
                for no, line in enumerate(lines, 1):
                    m = re.match(r'\s*#\s*include\s+"([a-z_]+)/', line)
                    if m and m.group(1) not in allowed:
                        problems.append(f"{rel}:{no}: {room} may not include {m.group(1)}/")
                    m = re.match(r"\s*#\s*include\s+<(?:QtWidgets/)?(Q\w+)>", line)
                    if m and room in engine and m.group(1) in widgets:
                        problems.append(f"{rel}:{no}: engine room {room} includes <{m.group(1)}>")
                    if room == "app":
                        continue
                    if name.endswith(".cpp") and LOCAL_STATIC.match(line):
                        problems.append(f"{rel}:{no}: mutable static outside the composition root")
                    m = REGISTRY.match(line)
                    if m and name.endswith(".h"):
                        problems.append(f"{rel}:{no}: global registry {m.group(1)}()")
    for p in problems:
        print(p)
    print(f"layer check: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
