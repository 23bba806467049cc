#!/usr/bin/env python3
"""Builds the manual's HTML from manual.html: fills in the option headings, the before/after
examples, the command-line examples and the INI example, and copies the pictures beside it.

Every "after" text and every command output is produced here by running kestrilon-filter, so the
manual cannot drift from the program. The build stops with a message naming the problem when:
  - a picture the manual shows is missing;
  - a setting has no heading, or a value of a setting has no example of its own;
  - a text marked as a screen caption (class="ui") is not one the program shows;
  - a character of the manual has no glyph in the fonts the PDF is printed with.
"""

import argparse
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

FONT_FAMILIES = ["Noto Sans CJK JP", "Noto Sans Mono CJK JP"]


class BuildError(Exception):
    pass


# --- the program's own names ---------------------------------------------------------------

def read_settings(tool):
    """Every setting as kestrilon-filter --list gives it: name, default, caption and items."""
    out = run_tool(tool, ["--list"], b"").stdout.decode("utf-8")
    settings = []
    for line in out.splitlines()[1:]:
        m = re.fullmatch(r"  (\w+)=(-?\d+)\s+(.+?)  \((.*)\)", line)
        if not m:
            raise BuildError(f"kestrilon-filter --list: line not understood: {line!r}")
        name, default, caption, values = m.groups()
        items = []
        for part in values.split(", "):
            number, _, text = part.partition(" ")
            items.append((int(number), text))
        checkbox = [t for _, t in items] == ["off", "on"]
        settings.append({"name": name, "default": int(default), "caption": caption,
                         "checkbox": checkbox, "items": [t for _, t in items]})
    if len(settings) != 21:
        raise BuildError(f"kestrilon-filter --list gave {len(settings)} settings, expected 21")
    return {s["name"]: s for s in settings}


def string_literals(path):
    with open(path, encoding="utf-8") as f:
        return re.findall(r'"((?:[^"\\]|\\.)*)"', f.read())


def screen_strings(settings, repo):
    """Every text the program shows that the manual may quote, accelerator marks removed."""
    known = {"Kestrilon"}
    for s in settings.values():
        known.add(s["caption"])
        if not s["checkbox"]:
            known.update(s["items"])
    layout = os.path.join(repo, "src/app/SettingLayout.cpp")
    known.update(string_literals(layout))
    # The tray menu's captions: its table, and the first item's two captions.
    menu = [t for name in ("Setting.cpp", "Setting.h")
            for t in string_literals(os.path.join(repo, "src/app", name))
            if re.search(r"\(&[A-Z]\)$", t)]
    if len(menu) != 8:
        raise BuildError(f"src/app/Setting.cpp and .h: expected the tray menu's 8 captions, found {menu}")
    known.update(menu)
    # The program page's choice of no filtering.
    known.update(string_literals(os.path.join(repo, "src/app/SettingPrograms.cpp")))
    return {k.replace("&", "").replace('\\"', '"') for k in known}


# --- running the tool ------------------------------------------------------------------------

def run_tool(tool, args, stdin, cwd=None):
    try:
        return subprocess.run([tool, *args], input=stdin, capture_output=True, cwd=cwd,
                              timeout=60, check=False)
    except OSError as e:
        raise BuildError(f"cannot run {tool}: {e}") from e


def setting_args(example, settings):
    args = []
    for name, value in example["set"].items():
        s = settings.get(name)
        if s is None:
            raise BuildError(f"examples.json: unknown setting {name}")
        if not 0 <= value < len(s["items"]):
            raise BuildError(f"examples.json: {name}={value} is not one of its items")
        args += ["--set", f"{name}={value}"]
    return args


# --- rendering -----------------------------------------------------------------------------

def visible(text):
    """The text as HTML with its blanks and line breaks made visible."""
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\r" and text[i + 1:i + 2] == "\n":
            out.append('<span class="eol" title="CR LF">⏎</span>\n')
            i += 2
            continue
        if c == "\r":
            out.append('<span class="eol tag">CR</span>\n')
        elif c == "\n":
            out.append('<span class="eol tag">LF</span>\n')
        elif c == "\t":
            out.append('<span class="tab">→</span>')
        elif c == " ":
            out.append('<span class="sp"> </span>')
        elif c == "\u3000":
            out.append('<span class="zsp">\u3000</span>')
        else:
            out.append(html.escape(c))
        i += 1
    if not text:
        return '<span class="empty">（空）</span>'
    return "".join(out)


def setting_label(name, value, settings):
    s = settings[name]
    shown = ("オン" if value else "オフ") if s["checkbox"] else s["items"][value]
    value_html = shown if s["checkbox"] else f'<span class="ui">{html.escape(shown)}</span>'
    return (f'<span class="ui">{html.escape(s["caption"])}</span>'
            f'<span class="nowrap">：{value_html}</span><br><code class="key">{name}={value}</code>')


def render_examples(group, examples, settings, tool):
    rows = []
    for ex in examples:
        before = ex["before"]
        result = run_tool(tool, setting_args(ex, settings), before.encode("utf-8"))
        if result.returncode != 0:
            raise BuildError(f"example {ex['set']} {before!r}: kestrilon-filter failed "
                             f"({result.returncode}): {result.stderr.decode(errors='replace')}")
        after = result.stdout.decode("utf-8")
        labels = "<br>".join(setting_label(n, v, settings) for n, v in ex["set"].items()) \
            or '<span class="ui">そのまま</span>（すべて既定）'
        note = (f'<tr class="note"><td colspan="3">{html.escape(ex["note"])}</td></tr>'
                if ex.get("note") else "")
        rows.append(f'<tr><td class="set">{labels}</td><td class="text">{visible(before)}</td>'
                    f'<td class="text">{visible(after)}</td></tr>{note}')
    return ('<table class="examples"><colgroup><col class="c-set"><col class="c-text">'
            '<col class="c-text"></colgroup>'
            '<thead><tr><th>設定</th><th>コピーした文字列</th><th>貼り付けられる文字列</th>'
            '</tr></thead><tbody>' + "".join(rows) + "</tbody></table>")


def render_option_head(name, settings, level):
    s = settings[name]
    if s["checkbox"]:
        choices = "チェックボックス（既定はオフ）"
    else:
        choices = "選択肢：" + "　".join(
            f'{i}「<span class="ui">{html.escape(t)}</span>」' for i, t in enumerate(s["items"]))
        choices += f'（既定は{s["default"]}）'
    return (f'<h{level} id="opt-{name}"><span class="ui">{html.escape(s["caption"])}</span>'
            f'<code class="key">{name}</code></h{level}><p class="choices">{choices}</p>')


def render_cli(ex, tool, ini_text):
    with tempfile.TemporaryDirectory() as work:
        for fname, content in ex.get("files", {}).items():
            encoding = "utf-8"
            if isinstance(content, dict):
                encoding = content.get("encoding", "utf-8")
                content = ini_text if content.get("from") == "example.ini" else content["text"]
            with open(os.path.join(work, fname), "wb") as f:
                f.write(content.replace("\n", "\r\n").encode(encoding))
        result = run_tool(tool, ex["args"], ex.get("stdin", "").encode("utf-8"), cwd=work)
        if result.returncode != ex.get("status", 0):
            raise BuildError(f"command example {ex['args']}: exit status {result.returncode}, "
                             f"expected {ex.get('status', 0)}: "
                             f"{result.stderr.decode(errors='replace')}")
        shown = {}
        for fname in ex.get("show_files", []):
            with open(os.path.join(work, fname), "rb") as f:
                shown[fname] = f.read().decode(ex.get("show_encoding", "utf-8"))
    command = "kestrilon-filter.exe " + " ".join(
        a if re.fullmatch(r"[-\w=./:]+", a) else f'"{a}"' for a in ex["args"])
    parts = [f'<div class="cli">']
    for fname, content in ex.get("files", {}).items():
        if isinstance(content, dict) and content.get("from") == "example.ini":
            continue  # shown in full in the INI chapter
        text = content["text"] if isinstance(content, dict) else content
        parts.append(f'<div class="file"><span class="label">{html.escape(fname)}</span>'
                     f'<pre>{visible(text.replace(chr(10), chr(13) + chr(10)))}</pre></div>')
    parts.append(f'<pre class="command">C:\\kestrilon&gt; {html.escape(command)}</pre>')
    output = result.stdout.decode("utf-8") + result.stderr.decode("utf-8")
    if output:
        parts.append(f'<pre class="output">{visible(output) if ex.get("visible") else html.escape(output)}</pre>')
    for fname, text in shown.items():
        parts.append(f'<div class="file"><span class="label">{html.escape(fname)}（実行後）</span>'
                     f'<pre>{visible(text)}</pre></div>')
    parts.append(f'<p class="status">終了ステータス：{result.returncode}</p></div>')
    return "".join(parts)


# --- checks --------------------------------------------------------------------------------

def check_coverage(doc, settings, examples):
    missing = []
    for name, s in settings.items():
        if f'data-option="{name}"' not in doc:
            missing.append(f"no heading for {name}")
        values = [1] if s["checkbox"] else range(1, len(s["items"]))
        for v in values:
            if not any(ex["set"] == {name: v} and ex["group"] == name for ex in examples):
                missing.append(f"no example of {name}={v} alone in its own section")
    if missing:
        raise BuildError("the manual does not cover every setting:\n  " + "\n  ".join(missing))


def check_screen_strings(doc, known):
    wrong = []
    for m in re.finditer(r'<span class="ui">(.*?)</span>', doc, re.S):
        text = html.unescape(re.sub(r"<[^>]+>", "", m.group(1)))
        if text not in known:
            wrong.append(text)
    if wrong:
        raise BuildError("captions that the program does not show (check the spelling against "
                         "src/filter/Settings.cpp and src/app):\n  " + "\n  ".join(sorted(set(wrong))))


def font_charset(family):
    try:
        got = subprocess.run(["fc-match", "--format=%{family}\n%{charset}", family],
                             capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        raise BuildError(f"fontconfig (fc-match) is not usable: {e}") from e
    found, _, ranges = got.partition("\n")
    if family not in found.split(","):
        raise BuildError(f"font {family!r} is not installed (Debian package fonts-noto-cjk)")
    codes = set()
    for r in ranges.split():
        lo, _, hi = r.partition("-")
        codes.update(range(int(lo, 16), int(hi or lo, 16) + 1))
    return codes


def check_glyphs(doc):
    covered = set()
    for family in FONT_FAMILIES:
        covered |= font_charset(family)
    text = html.unescape(re.sub(r"<style.*?</style>|<[^>]+>", "", doc, flags=re.S))
    missing = sorted({c for c in text if ord(c) >= 0x20 and ord(c) not in covered})
    if missing:
        raise BuildError("characters without a glyph in " + " or ".join(FONT_FAMILIES) + ": " +
                         ", ".join(f"U+{ord(c):04X} {c!r}" for c in missing))


def copy_images(doc, image_dir, out_dir):
    names = sorted(set(re.findall(r'<img[^>]*\ssrc="images/([^"]+)"', doc)))
    missing = [n for n in names if not os.path.isfile(os.path.join(image_dir, n))]
    if missing:
        raise BuildError("pictures missing from " + image_dir + ": " + ", ".join(missing))
    os.makedirs(os.path.join(out_dir, "images"), exist_ok=True)
    for n in names:
        shutil.copyfile(os.path.join(image_dir, n), os.path.join(out_dir, "images", n))


# --- main ----------------------------------------------------------------------------------

def build(args, src=None):
    """Writes args.out/index.html from the manual's sources in src (default: this folder)."""
    src = src or os.path.dirname(os.path.abspath(__file__))
    settings = read_settings(args.tool)
    with open(os.path.join(src, "manual.html"), encoding="utf-8") as f:
        doc = f.read()
    doc = re.sub(r"<!--(?!@).*?-->", "", doc, flags=re.S)  # notes for the editor, not the reader
    with open(os.path.join(src, "examples.json"), encoding="utf-8") as f:
        table = json.load(f)
    with open(os.path.join(src, "example.ini"), encoding="utf-8") as f:
        ini_text = f.read()
    examples = table["examples"]
    for ex in examples:
        setting_args(ex, settings)  # every name and value known before anything else is judged
    check_coverage(doc, settings, examples)

    def option(m):
        return render_option_head(m.group(2), settings, int(m.group(1)))
    doc = re.sub(r'<h(\d) data-option="(\w+)"></h\1>', option, doc)

    def examples_of(m):
        group = m.group(1)
        chosen = [ex for ex in examples if ex["group"] == group]
        if not chosen:
            raise BuildError(f"manual.html asks for examples of {group!r}; examples.json has none")
        return render_examples(group, chosen, settings, args.tool)
    doc = re.sub(r'<div class="examples" data-group="([\w-]+)"></div>', examples_of, doc)

    cli = {ex["id"]: ex for ex in table["commands"]}

    def command(m):
        if m.group(1) not in cli:
            raise BuildError(f"manual.html asks for command example {m.group(1)!r}; none in examples.json")
        return render_cli(cli[m.group(1)], args.tool, ini_text)
    doc = re.sub(r'<div class="cli" data-id="([\w-]+)"></div>', command, doc)

    doc = doc.replace("<!--@ini-->", html.escape(ini_text.rstrip("\n")))
    doc = doc.replace("<!--@version-->", html.escape(args.version))
    leftover = re.findall(r"<!--@\w+-->|data-group=|data-id=\"", doc)
    if leftover:
        raise BuildError(f"manual.html: markers left unfilled: {leftover}")

    check_screen_strings(doc, screen_strings(settings, args.repo))
    check_glyphs(doc)
    os.makedirs(args.out, exist_ok=True)
    copy_images(doc, args.images, args.out)
    shutil.copyfile(os.path.join(src, "manual.css"), os.path.join(args.out, "manual.css"))
    with open(os.path.join(args.out, "index.html"), "w", encoding="utf-8") as f:
        f.write(doc)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--tool", required=True, help="the native kestrilon-filter")
    p.add_argument("--version", required=True, help="the version the manual names")
    p.add_argument("--images", required=True, help="folder holding the manual's pictures")
    p.add_argument("--repo", required=True, help="the source tree (for the program's captions)")
    p.add_argument("--out", required=True, help="folder for index.html and its files")
    args = p.parse_args()
    try:
        build(args)
    except BuildError as e:
        print(f"manual: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
