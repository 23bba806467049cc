#!/usr/bin/env python3
"""Tests of the manual's build (render.py): the examples come from the tool, and each of its
checks stops the build when the manual is wrong.

    python3 docs/manual/test_render.py NATIVE_BUILD_DIR/tools/kestrilon-filter
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import render  # noqa: E402

TOOL = None
REPO = os.path.dirname(os.path.dirname(HERE))
PICTURES = ["icon-active.png", "icon-paused.png", "screenshot-basic.png", "screenshot-extend.png",
            "screenshot-exclude.png", "screenshot-presets.png", "screenshot-try.png", "screenshot-keys.png",
            "screenshot-menu.png", "screenshot-about.png"]
# The smallest valid PNG (1x1, grey); the tests need files, not pictures.
PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010800000000"
                    "3a7e9b550000000a49444154789c63680000008200815b4b2b0d0000000049454e44ae426082")


class ManualBuild(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.src = os.path.join(self.tmp, "src")
        shutil.copytree(HERE, self.src, ignore=shutil.ignore_patterns("__pycache__"))
        self.images = os.path.join(self.tmp, "images")
        os.makedirs(self.images)
        for p in PICTURES:
            with open(os.path.join(self.images, p), "wb") as f:
                f.write(PNG)
        self.out = os.path.join(self.tmp, "out")

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def build(self):
        args = argparse.Namespace(tool=TOOL, version="9.8.7.6", images=self.images, repo=REPO,
                                  out=self.out)
        render.build(args, self.src)
        with open(os.path.join(self.out, "index.html"), encoding="utf-8") as f:
            return f.read()

    def edit(self, name, old, new):
        path = os.path.join(self.src, name)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        self.assertIn(old, text)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(old, new, 1))

    def assertBuildFails(self, *fragments):
        with self.assertRaises(render.BuildError) as caught:
            self.build()
        for fragment in fragments:
            self.assertIn(fragment, str(caught.exception))

    def test_every_after_text_is_the_tools_output(self):
        doc = self.build()
        with open(os.path.join(self.src, "examples.json"), encoding="utf-8") as f:
            examples = json.load(f)["examples"]
        rows = re.findall(r'<td class="set">.*?</td><td class="text">(.*?)</td>'
                          r'<td class="text">(.*?)</td>', doc, re.S)
        self.assertEqual(len(rows), len(examples))
        for ex in examples:
            args = [a for n, v in ex["set"].items() for a in ("--set", f"{n}={v}")]
            after = subprocess.run([TOOL, *args], input=ex["before"].encode(), capture_output=True,
                                   check=True).stdout.decode()
            self.assertIn((render.visible(ex["before"]), render.visible(after)), rows, ex)
        self.assertIn("9.8.7.6", doc)
        self.assertNotIn("<!--@", doc)

    def test_one_known_result(self):
        # Independent of the tool: full-width digits to ASCII, a final line break added.
        doc = self.build()
        self.assertIn('電話：03－1234－5678<span class="eol" title="CR LF">⏎</span>', doc)

    def test_misspelt_caption_stops_the_build(self):
        self.edit("manual.html", '<span class="ui">半角カナ</span>', '<span class="ui">半角ｶﾅ</span>')
        self.assertBuildFails("半角ｶﾅ")

    def test_menu_caption_must_be_the_programs(self):
        self.edit("manual.html", '<span class="ui">目次(C)</span>', '<span class="ui">目次(M)</span>')
        self.assertBuildFails("目次(M)")

    def test_setting_without_example_stops_the_build(self):
        self.edit("examples.json", '{"group": "RepQuot", "set": {"RepQuot": 1}, ',
                  '{"group": "order", "set": {"RepQuot": 1}, ')
        self.assertBuildFails("RepQuot=1")

    def test_value_without_example_stops_the_build(self):
        self.edit("examples.json", '{"group": "KanaMode2", "set": {"KanaMode2": 3}, ',
                  '{"group": "KanaMode2", "set": {"KanaMode2": 2}, ')
        self.assertBuildFails("KanaMode2=3")

    def test_setting_without_heading_stops_the_build(self):
        self.edit("manual.html", '<h2 data-option="DelConma"></h2>', "<h2>DelConma</h2>")
        self.assertBuildFails("no heading for DelConma")

    def test_unknown_setting_in_an_example_stops_the_build(self):
        self.edit("examples.json", '"set": {"NumberMode": 1}', '"set": {"NumberMod": 1}')
        self.assertBuildFails("unknown setting NumberMod")

    def test_character_without_glyph_stops_the_build(self):
        self.edit("manual.html", "<p>Kestrilonでできること", "<p>\U0001F600 Kestrilonでできること")
        self.assertBuildFails("U+1F600")

    def test_missing_picture_stops_the_build(self):
        os.remove(os.path.join(self.images, "screenshot-menu.png"))
        self.assertBuildFails("screenshot-menu.png")

    def test_failing_command_example_stops_the_build(self):
        self.edit("examples.json", '"args": ["--set", "NumberMod=1", "memo.txt"]',
                  '"args": ["--set", "NumberMode=1", "memo.txt"]')
        self.assertBuildFails("exit status 0, expected 2")


class Visible(unittest.TestCase):
    def test_blanks_and_line_ends(self):
        self.assertEqual(render.visible("a b\u3000c\td"),
                         'a<span class="sp"> </span>b<span class="zsp">\u3000</span>c'
                         '<span class="tab">→</span>d')
        self.assertEqual(render.visible("a\r\nb\nc\rd"),
                         'a<span class="eol" title="CR LF">⏎</span>\nb'
                         '<span class="eol tag">LF</span>\nc<span class="eol tag">CR</span>\nd')
        self.assertEqual(render.visible("<&>"), "&lt;&amp;&gt;")
        self.assertEqual(render.visible(""), '<span class="empty">（空）</span>')


if __name__ == "__main__":
    if len(sys.argv) < 2 or not os.access(sys.argv[1], os.X_OK):
        sys.exit("usage: test_render.py PATH_TO_NATIVE_KESTRILON_FILTER")
    TOOL = os.path.abspath(sys.argv.pop(1))
    unittest.main()
