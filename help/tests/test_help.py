"""Tests of the help generator. The WinHelp file is read back by a reader of
its own (nothing of the writer's code is used), following the published
description of the format; the .chm is listed with chmls and read with
CHMLib's tools.

KV_HLP / KV_CHM name built files to check; without them the files are made
from the source into a temporary folder."""
from __future__ import annotations

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

HELP = Path(__file__).resolve().parents[1]
SOURCE = HELP / "Kavreno.help.xml"
BUILD = [sys.executable, str(HELP / "build_help.py"), str(SOURCE)]

sys.path.insert(0, str(HELP))
from kvhelp import source as help_source  # noqa: E402  (only for the source's own checks)


def source_topics() -> list[tuple[str, str]]:
    root = ET.parse(SOURCE).getroot()
    return [(t.get("id"), t.get("title")) for t in root.iter("topic")]


# ---- an independent reader of WinHelp files ---------------------------------

def u16(b, at): return struct.unpack_from("<H", b, at)[0]
def i16(b, at): return struct.unpack_from("<h", b, at)[0]
def u32(b, at): return struct.unpack_from("<I", b, at)[0]
def i32(b, at): return struct.unpack_from("<i", b, at)[0]


def btree_leaves(tree: bytes, entry) -> list:
    """Every leaf entry of a B+ tree (tree starts at its BTREEHEADER), in
    order; entry(page, at) returns (value, next position)."""
    assert u16(tree, 0) == 0x293B, "B+ tree magic"
    page_size, root, levels = u16(tree, 4), i16(tree, 26), i16(tree, 32)
    pages = 38
    page = root
    for _ in range(levels - 1):          # down the first index entries
        page = i16(tree, pages + page * page_size + 4)
    out = []
    while page != -1:
        at = pages + page * page_size
        count, page = i16(tree, at + 2), i16(tree, at + 6)
        at += 8
        for _ in range(count):
            value, at = entry(tree, at)
            out.append(value)
    assert len(out) == u32(tree, 34), "B+ tree entry count"
    return out


def name_entry(b, at):
    end = b.index(b"\0", at)
    return (b[at:end].decode("ascii"), u32(b, end + 1)), end + 5


class HelpFile:
    def __init__(self, data: bytes) -> None:
        self.data = data
        assert u32(data, 0) == 0x00035F3F, "magic"
        assert u32(data, 12) == len(data), "file size"
        directory = self.internal(u32(data, 4))
        self.files = dict(btree_leaves(directory, name_entry))

    def internal(self, at: int) -> bytes:
        reserved, used = u32(self.data, at), u32(self.data, at + 4)
        assert used + 9 <= reserved and at + reserved <= len(self.data), "file header"
        return self.data[at + 9: at + 9 + used]

    def file(self, name: str) -> bytes:
        return self.internal(self.files[name])


def cushort(b, at):
    return (b[at] // 2, at + 1) if b[at] % 2 == 0 else (u16(b, at) // 2, at + 2)


def cslong(b, at):
    return (u16(b, at) // 2 - 16384, at + 2) if b[at] % 2 == 0 else (u32(b, at) // 2 - 67108864, at + 4)


def paragraph(data1: bytes, data2: bytes):
    """Text and jump hashes of a display record (0x20)."""
    at = cslong(data1, 0)[1]
    at = cushort(data1, at)[1]
    at += 4
    bits = u16(data1, at)
    at += 2
    if bits & 0x0001:
        at = cslong(data1, at)[1]
    for bit in (0x02, 0x04, 0x08, 0x10, 0x20, 0x40):
        if bits & bit:
            at = cushort(data1, at)[1]
    assert not bits & 0x0300, "no borders or tabs are written"
    strings = data2.split(b"\0")
    text, jumps, s = [], [], 0
    while True:
        text.append(strings[s].decode("cp932"))
        s += 1
        command = data1[at]
        if command == 0xFF:
            break
        size = {0x80: 3, 0x81: 1, 0x82: 1, 0x83: 1, 0x89: 1, 0x8B: 1, 0xE3: 5}[command]
        if command == 0xE3:
            jumps.append(i32(data1, at + 1))
        if command in (0x81, 0x82):
            text.append("\n")
        at += size
    return "".join(text), jumps


def walk_topics(topic: bytes):
    """(title, topic offset, text, jumps) of each topic, walking the topic
    links from the first; TOPICPOS = block * 0x4000 + offset in the block,
    TOPICOFFSET = block * 0x8000 + text bytes before it in that block."""
    data = b"".join(topic[b + 12: b + 4096] for b in range(0, len(topic), 4096))
    assert u32(topic, 4) == 12, "first topic link of block 0"
    topics = []
    pos, block, count = 12, -1, 0
    while pos != 0xFFFFFFFF:
        linear = (pos >> 14) * 4084 + (pos & 0x3FFF) - 12
        if pos >> 14 != block:
            block, count = pos >> 14, 0
        size, len2, _, nxt, len1, kind = struct.unpack_from("<IIIIIB", data, linear)
        data1 = data[linear + 21: linear + len1]
        data2 = data[linear + len1: linear + size]
        assert len(data2) == len2, "LinkData2 is not compressed"
        if kind == 0x02 and nxt != 0xFFFFFFFF:
            topics.append([data2.decode("cp932"), block * 0x8000 + count, "", []])
        elif kind == 0x20:
            text, jumps = paragraph(data1, data2)
            topics[-1][2] += text
            topics[-1][3] += jumps
            count += len2
        pos = nxt
    return topics


def context_hash(name: str) -> int:
    # Letters count from 17 (case-insensitive), '1'-'9' as 1-9, '0' as 10,
    # '.' 12, '_' 13; hash = hash * 43 + value, in 32 bits, signed.
    table = {**{c: 17 + i for i, c in enumerate("abcdefghijklmnopqrstuvwxyz")},
             **{str(d): d for d in range(1, 10)}, "0": 10, ".": 12, "_": 13}
    h = 0
    for c in name.lower():
        h = (h * 43 + table[c]) % (1 << 32)
    return h - (1 << 32) if h >= 1 << 31 else h


class WinHelpFileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp()
        path = os.environ.get("KV_HLP")
        if not path:
            path = os.path.join(cls.tmp, "Kavreno.hlp")
            subprocess.run(BUILD + ["--hlp", path], check=True)
        cls.hlp = HelpFile(Path(path).read_bytes())

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_directory_lists_the_internal_files_sorted(self):
        names = list(self.hlp.files)
        self.assertEqual(names, sorted(names))
        for name in ("|CONTEXT", "|FONT", "|SYSTEM", "|TOPIC", "|TTLBTREE"):
            self.assertIn(name, names)

    def system_records(self) -> dict[int, bytes]:
        system = self.hlp.file("|SYSTEM")
        magic, minor, major, _, flags = struct.unpack_from("<HHHIH", system, 0)
        self.assertEqual((magic, minor, major, flags), (0x036C, 33, 1, 0))
        records, at = {}, 12
        while at < len(system):
            kind, size = struct.unpack_from("<HH", system, at)
            records[kind] = system[at + 4: at + 4 + size]
            at += 4 + size
        self.assertEqual(at, len(system))
        return records

    def test_system_title_language_and_charset(self):
        records = self.system_records()
        self.assertEqual(records[1], "Kavreno ヘルプ".encode("cp932") + b"\0")
        self.assertEqual(u16(records[9], 8), 0x0411)   # LCID
        self.assertEqual(u16(records[11], 0), 128)     # SHIFTJIS_CHARSET
        self.assertEqual(records[12][1], 128)          # the default font's charset
        self.assertEqual(u32(records[3], 0), walk_topics(self.hlp.file("|TOPIC"))[0][1])

    def test_fonts_are_japanese_faces(self):
        font = self.hlp.file("|FONT")
        faces, descriptors, faces_at, descriptors_at = struct.unpack_from("<HHHH", font, 0)
        size = (descriptors_at - faces_at) // faces
        names = [font[faces_at + i * size: faces_at + (i + 1) * size].split(b"\0")[0].decode("cp932")
                 for i in range(faces)]
        self.assertEqual(names, ["ＭＳ Ｐゴシック", "ＭＳ ゴシック"])
        self.assertEqual(len(font), descriptors_at + 11 * descriptors)
        for i in range(descriptors):
            self.assertLess(u16(font, descriptors_at + i * 11 + 3), faces)

    def test_topics_are_the_source_topics_contents_first(self):
        topics = walk_topics(self.hlp.file("|TOPIC"))
        self.assertEqual([t[0] for t in topics], [title for _, title in source_topics()])
        self.assertEqual(topics[0][0], "Kavreno ヘルプ")
        self.assertIn("目次", topics[0][2])
        for title, _, text, _ in topics:
            self.assertTrue(text.startswith(title + "\n"), title)

    def test_every_jump_and_context_reaches_its_topic(self):
        topics = walk_topics(self.hlp.file("|TOPIC"))
        context = dict(btree_leaves(self.hlp.file("|CONTEXT"),
                                    lambda b, at: ((i32(b, at), u32(b, at + 4)), at + 8)))
        self.assertEqual(list(context), sorted(context))
        offsets = {offset: title for title, offset, _, _ in topics}
        for (topic_id, title) in source_topics():
            self.assertEqual(offsets[context[context_hash(topic_id)]], title)
        jumps = [h for t in topics for h in t[3]]
        self.assertEqual(len(jumps), (len(topics) - 1) + 1)  # the contents list, and one link in the text
        for h in jumps:
            self.assertIn(context[h], offsets)

    def test_title_tree_maps_offsets_to_titles(self):
        def entry(b, at):
            end = b.index(b"\0", at + 4)
            return (u32(b, at), b[at + 4: end].decode("cp932")), end + 1
        titles = dict(btree_leaves(self.hlp.file("|TTLBTREE"), entry))
        topics = walk_topics(self.hlp.file("|TOPIC"))
        self.assertEqual(titles, {offset: title for title, offset, _, _ in topics})


class HtmlHelpTest(unittest.TestCase):
    """The .chm, compiled with chmcmd, read back with chmls and CHMLib."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp())
        path = os.environ.get("KV_CHM")
        if not path:
            subprocess.run(BUILD + ["--chm-project", str(cls.tmp)], check=True)
            subprocess.run(["chmcmd", "--no-html-scan", "--verbosity", "0", "Kavreno.hhp"],
                           cwd=cls.tmp, check=True, stdout=subprocess.DEVNULL)
            path = cls.tmp / "Kavreno.chm"
        cls.chm = str(path)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def chmls(self, *args: str) -> str:
        out = subprocess.run(["chmls", *args], capture_output=True, check=True).stdout
        return out.decode("cp932", errors="replace")

    def test_every_topic_is_a_page_of_the_file(self):
        names = set(self.chmls("-n", "list", self.chm).split())
        for topic_id, _ in source_topics():
            self.assertIn(f"/{topic_id}.html", names)
        self.assertIn("/contents.hhc", names)

    def test_japanese_with_the_contents_as_default_topic(self):
        system = self.chmls("printsystem", self.chm)
        self.assertRegex(system, r"LCID from HHP file\s*:\s*1041")
        self.assertRegex(system, r"Default topic from \[options\]\s*:contents\.html")
        self.assertRegex(system, r"Title from \[options\]\s*:Kavreno ヘルプ")

    def test_pages_read_back_with_chmlib(self):
        out = self.tmp / "extracted"
        subprocess.run(["extract_chmLib", self.chm, str(out)], check=True,
                       stdout=subprocess.DEVNULL)
        for topic_id, title in source_topics():
            page = (out / f"{topic_id}.html").read_bytes().decode("cp932")
            self.assertIn(f"<title>{title}</title>", page)
            self.assertIn("charset=Shift_JIS", page)


class SourceTest(unittest.TestCase):
    def test_source_mistakes_are_refused(self):
        cases = [  # (what, source)
            ("unknown link", '<help title="t"><topic id="a" title="A"><p><a href="#b">x</a></p></topic></help>'),
            ("two ids", '<help title="t"><topic id="a" title="A"/><topic id="a" title="B"/></help>'),
            ("bad id", '<help title="t"><topic id="A-1" title="A"/></help>'),
            ("unknown block", '<help title="t"><topic id="a" title="A"><div/></topic></help>'),
            ("contents late", '<help title="t"><topic id="a" title="A"/>'
                              '<topic id="b" title="B"><contents/></topic></help>'),
            ("no topic", '<help title="t"></help>'),
        ]
        for what, text in cases:
            with self.subTest(what), tempfile.TemporaryFile() as f:
                f.write(text.encode())
                f.seek(0)
                with self.assertRaises(help_source.SourceError):
                    help_source.parse(f)

    def test_html_page_has_an_anchor_for_every_link(self):
        with tempfile.TemporaryDirectory() as tmp:
            page = Path(tmp, "help.html")
            subprocess.run(BUILD + ["--html", str(page)], check=True)
            html = page.read_text(encoding="utf-8")
        anchors = set(re.findall(r'<a name="([^"]+)"></a>', html))
        self.assertEqual(anchors, {topic_id for topic_id, _ in source_topics()[1:]})
        self.assertTrue(set(re.findall(r'href="#([^"]+)"', html)) <= anchors)
        self.assertIn("<title>Kavreno ヘルプ</title>", html)


if __name__ == "__main__":
    unittest.main()
