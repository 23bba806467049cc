#!/usr/bin/env python3
"""Fails when an include points up the layers, or reaches into the framework's internals.

The layers, top to bottom (a layer may include its own headers and those of any layer below):

    app/        the program
    clipboard/  the clipboard listener and text
    tray/       the notification-area icon
    settings/   TAutoIni (over the framework); IniFile and Presets (need nothing above the filter)
    framework/  the GUI framework
    filter/     the pipeline and code page 932 (pure)

tools/ (kestrilon-filter) uses filter/, settings/IniFile, Presets and FileSystem and framework/WinText
(text conversion, no GUI) only: never the GUI framework.
Usage: check-layers.py [SOURCE-ROOT]; prints each wrong arrow, exit status 1 if there is one.
"""
import pathlib
import re
import sys

ORDER = ["filter", "framework", "settings", "tray", "clipboard", "app"]
# What a folder may include besides the layers below it and itself.
NEEDS_NOTHING_ABOVE_FILTER = {"settings/IniFile", "settings/FileSystem", "settings/Presets"}  # their units (.h and .cpp)
TOOLS_MAY_USE = {"filter", "settings/IniFile", "settings/FileSystem", "settings/Presets", "framework/WinText"}
# The framework's text conversion needs nothing but the system, so units below the GUI may use it.
NO_GUI = {"framework/WinText"}
# The framework's own business: how controls get their windows.
FRAMEWORK_INTERNALS = {"WinPeers.h", "WinPeerBase.h", "Platform.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def unit(path, root):
    """'settings/IniFile' for src/settings/IniFile.cpp; 'tools' for anything under tools/."""
    rel = path.relative_to(root)
    if rel.parts[0] == "tools":
        return "tools"
    return f"{rel.parts[1]}/{path.stem}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2])
    sources = [p for d in ("src", "tools") for p in (root / d).rglob("*") if p.suffix in (".h", ".cpp")]
    owner = {}  # header file name -> its unit
    for p in sources:
        if p.suffix == ".h":
            owner.setdefault(p.name, unit(p, root))
    wrong = []
    for p in sorted(sources):
        me = unit(p, root)
        folder = me.split("/")[0]
        for header in INCLUDE.findall(p.read_text(encoding="utf-8")):
            name = pathlib.PurePosixPath(header).name
            target = owner.get(name)
            if target is None or target == me:
                continue  # a system or generated header, or the unit's own
            there = target.split("/")[0]
            where = f"{p.relative_to(root)}: includes {header} ({there}/)"
            if name in FRAMEWORK_INTERNALS and folder != "framework":
                wrong.append(f"{where}: internal to the framework")
            elif folder == "tools":
                if there not in TOOLS_MAY_USE and target not in TOOLS_MAY_USE:
                    wrong.append(f"{where}: kestrilon-filter uses the filter and IniFile, Presets, FileSystem only")
            elif me in NEEDS_NOTHING_ABOVE_FILTER:
                if there not in ("filter",) and target not in NEEDS_NOTHING_ABOVE_FILTER | NO_GUI:
                    wrong.append(f"{where}: {me} needs nothing above the filter")
            elif ORDER.index(there) > ORDER.index(folder):
                wrong.append(f"{where}: points up, from {folder}/")
    for line in wrong:
        print(line)
    print(f"check-layers: {len(sources)} files, {len(wrong)} wrong arrows")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
