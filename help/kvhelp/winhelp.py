"""Writes the help as a WinHelp file (.hlp), the format of the Windows help
engine (WinHelp 4, as its help compiler writes for Windows 95 and later).

Layout of the file:
  header (magic 0x00035F3F, offset of the directory, no free list, file size)
  internal files, each behind a 9-byte file header (reserved, used, flags):
    |CONTEXT   B+ tree: hash of each topic id -> topic offset (for jumps)
    |CTXOMAP   numeric help ids (none)
    |FONT      face names and font descriptors
    |SYSTEM    version, title, contents topic, LCID, charset, default font
    |TOPIC     4 KB topic blocks (not compressed) holding the topic links
    |TTLBTREE  B+ tree: topic offset -> topic title
  the directory, a B+ tree of file names -> file offsets.
Text is in code page 932, the fonts' charset SHIFTJIS_CHARSET.
"""
from __future__ import annotations

import struct
from dataclasses import dataclass, field

from .source import Document, Run, Topic

CODEPAGE = "cp932"
SHIFTJIS_CHARSET = 128
LCID_JAPANESE = 0x0411

MAGIC = 0x00035F3F
SYSTEM_MAGIC = 0x036C
VERSION_MINOR = 33           # help compiler 4.00 (Windows 95 and later)
BTREE_MAGIC = 0x293B
TOPIC_BLOCK = 4096           # uncompressed topic blocks of 4 KB (flags 0)
BLOCK_DATA = TOPIC_BLOCK - 12

# |SYSTEM record types
SYS_TITLE, SYS_CONTENTS, SYS_CONFIG, SYS_WINDOW = 1, 3, 4, 6
SYS_LCID, SYS_CHARSET, SYS_DEFFONT = 9, 11, 12

# Topic link record types
TL_TOPICHDR, TL_DISPLAY = 0x02, 0x20

# Fonts: (face, half points, bold, family); family 1 modern, 3 swiss
FACE_PROPORTIONAL = "ＭＳ Ｐゴシック"
FACE_FIXED = "ＭＳ ゴシック"
FACES = [FACE_PROPORTIONAL, FACE_FIXED]
FACE_SIZE = 20
FONT_BODY, FONT_TITLE, FONT_HEADING, FONT_BOLD, FONT_CODE = range(5)
FONTS = [(0, 20, False, 3), (0, 28, True, 3), (0, 22, True, 3), (0, 20, True, 3), (1, 20, False, 1)]

BULLET = "・"


def encode(text: str) -> bytes:
    data = text.encode(CODEPAGE)
    if b"\0" in data:
        raise ValueError("help text holds a NUL")
    return data


def context_hash(name: str) -> int:
    """The WinHelp hash of a context id (letters, digits, '_' and '.'), a
    signed 32-bit number."""
    value = 0
    for ch in name:
        if "a" <= ch.lower() <= "z":
            code = ord(ch.lower()) - ord("a") + 17
        elif "1" <= ch <= "9":
            code = ord(ch) - ord("0")
        elif ch == "0":
            code = 10
        elif ch == ".":
            code = 12
        elif ch == "_":
            code = 13
        else:
            raise ValueError(f"context id {name!r}: {ch!r} is not allowed")
        value = (value * 43 + code) & 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


# Compressed numbers of the paragraph records: the low bit says whether the
# short (one byte) or long (two bytes) form follows.
def cushort(value: int) -> bytes:
    assert 0 <= value < 0x8000
    return bytes([value * 2]) if value < 0x80 else struct.pack("<H", value * 2 + 1)


def csshort(value: int) -> bytes:
    return cushort(value + 64) if -64 <= value < 64 else cushort(value + 16384)


def cslong(value: int) -> bytes:
    assert -16384 <= value < 16384  # the two-byte form, all paragraphs need
    return struct.pack("<H", (value + 16384) * 2)


class Paragraph:
    """One displayable-text record: paragraph format, then text strings in
    LinkData2 each followed by one formatting command in LinkData1."""

    def __init__(self, font: int, above: int = 0, below: int = 0, left: int = 0,
                 first: int = 0) -> None:
        bits, values = 0, b""
        for bit, value in ((0x0002, above), (0x0004, below), (0x0010, left), (0x0040, first)):
            if value:
                bits |= bit
                values += csshort(value)
        self.format = bytearray(b"\x00\x80" + struct.pack("<HH", 0, bits) + values)
        self.text = bytearray()
        self.current_font = -1
        self.set_font(font)

    def _command(self, code: bytes) -> None:
        self.text.append(0)
        self.format += code

    def set_font(self, font: int) -> None:
        if font != self.current_font:
            self._command(b"\x80" + struct.pack("<H", font))
            self.current_font = font

    def add(self, text: str) -> None:
        self.text += encode(text)

    def jump(self, target_hash: int) -> None:
        self._command(b"\xE3" + struct.pack("<i", target_hash))

    def end_jump(self) -> None:
        self._command(b"\x89")

    def line_break(self) -> None:
        self._command(b"\x81")

    def finish(self) -> tuple[bytes, bytes]:
        self._command(b"\x82")  # end of paragraph
        self._command(b"\xFF")  # end of formatting
        data1 = cslong(len(self.format)) + cushort(len(self.text)) + bytes(self.format)
        return data1, bytes(self.text)


def _tighten(runs: list[Run]) -> list[Run]:
    """Drops the spaces set between Japanese and other words. Japanese lines
    break between any two characters; a reader that breaks lines only at
    spaces (Wine's) would otherwise leave lines half empty before them."""
    full = "".join(run.text for run in runs)
    wide = [ord(ch) > 0x7F for ch in full]
    keep = [not (ch == " " and ((i > 0 and wide[i - 1]) or (i + 1 < len(full) and wide[i + 1])))
            for i, ch in enumerate(full)]
    out, at = [], 0
    for run in runs:
        text = "".join(ch for i, ch in enumerate(run.text) if keep[at + i])
        at += len(run.text)
        if text:
            out.append(Run(text, run.style, run.link))
    return out


def _add_runs(par: Paragraph, runs: list[Run], font: int) -> None:
    for run in runs:
        par.set_font({"b": FONT_BOLD, "code": FONT_CODE}.get(run.style, font))
        if run.link is not None:
            par.jump(context_hash(run.link))
        par.add(run.text)
        if run.link is not None:
            par.end_jump()


def _topic_paragraphs(doc: Document, topic: Topic) -> list[tuple[bytes, bytes]]:
    out = []

    def para(runs: list[Run], font: int, tight: bool = True, **spacing) -> None:
        p = Paragraph(font, **spacing)
        _add_runs(p, _tighten(runs) if tight else runs, font)
        out.append(p.finish())

    para([Run(topic.title)], FONT_TITLE, tight=False, below=8)
    for block in topic.blocks:
        if block.kind == "p":
            para(block.runs, FONT_BODY, above=8)
        elif block.kind == "h3":
            para(block.runs, FONT_HEADING, above=14)
        elif block.kind == "li":
            para([Run(BULLET)] + block.runs, FONT_BODY, above=4, left=20, first=-20)
        elif block.kind == "pre":
            p = Paragraph(FONT_CODE, above=8, left=20)
            for n, line in enumerate(block.text.split("\n")):
                if n:
                    p.line_break()
                p.add(line)
            out.append(p.finish())
        elif block.kind == "table":
            # A row is a term in bold, then its cells indented below it.
            for header, cells in block.rows:
                if header:
                    continue
                para(cells[0], FONT_BOLD, above=6)
                for cell in cells[1:]:
                    para(cell, FONT_BODY, left=24)
        elif block.kind == "contents":
            para([Run(block.text)], FONT_HEADING, tight=False, above=14)
            for other in doc.topics[1:]:
                para([Run(BULLET), Run(other.title, link=other.id)], FONT_BODY, tight=False,
                     above=4, left=20, first=-20)
    return out


TOPIC_HEADER_SIZE = 28      # the 3.1 topic header: 7 numbers, filled in once laid out


@dataclass
class _Link:
    kind: int
    data1: bytes
    data2: bytes
    start: int = 0             # offset in the concatenated block data
    pos: int = 0               # TOPICPOS
    offset: int = 0            # TOPICOFFSET
    paragraphs: list = field(default_factory=list)

    @property
    def size(self) -> int:
        return 21 + len(self.data1) + len(self.data2)


def _topic_file(doc: Document) -> tuple[bytes, list[int]]:
    """Builds |TOPIC; returns it and the topic offset of each topic."""
    links: list[_Link] = []
    headers: list[_Link] = []
    for topic in doc.topics:
        header = _Link(TL_TOPICHDR, bytes(TOPIC_HEADER_SIZE), encode(topic.title))
        links.append(header)
        headers.append(header)
        for data1, data2 in _topic_paragraphs(doc, topic):
            paragraph = _Link(TL_DISPLAY, data1, data2)
            links.append(paragraph)
            header.paragraphs.append(paragraph)
    # Readers stop at the last link, which holds nothing to show.
    end = _Link(TL_TOPICHDR, bytes(TOPIC_HEADER_SIZE), b"")
    links.append(end)

    # Positions: TOPICPOS = block * 0x4000 + offset in the block (its 12-byte
    # header included); TOPICOFFSET = block * 0x8000 + the text bytes of the
    # paragraphs that start earlier in the same block.
    linear, block, count = 0, -1, 0
    for link in links:
        link_block = linear // BLOCK_DATA
        if link_block != block:
            block, count = link_block, 0
        link.start = linear
        link.pos = link_block * 0x4000 + 12 + linear % BLOCK_DATA
        link.offset = link_block * 0x8000 + count
        if link.kind != TL_TOPICHDR:
            count += len(link.data2)
        linear += link.size

    none = -1
    following = headers[1:] + [end]
    for n, header in enumerate(headers):
        block_size = header.size + sum(p.size for p in header.paragraphs)
        back = headers[n - 1].offset if n > 0 else none
        forward = headers[n + 1].offset if n + 1 < len(headers) else none
        scroll = header.paragraphs[0].pos if header.paragraphs else none
        header.data1 = struct.pack("<iiiiiii", block_size, back, forward, n, none, scroll,
                                   following[n].pos)
    end.data1 = struct.pack("<iiiiiii", 0, none, none, len(headers), none, none, none)

    stream = bytearray()
    for i, link in enumerate(links):
        prev_pos = links[i - 1].pos if i else none
        next_pos = links[i + 1].pos if i + 1 < len(links) else none
        datalen1 = 21 + len(link.data1)
        stream += struct.pack("<iiiiiB", link.size, len(link.data2), prev_pos, next_pos,
                              datalen1, link.kind)
        stream += link.data1 + link.data2

    # Cut into blocks, each with its header: the last link starting before
    # the block, the first starting in it, the last topic header before it.
    out = bytearray()
    for start in range(0, len(stream), BLOCK_DATA):
        stop = start + BLOCK_DATA
        before = [l for l in links if l.start < start]
        inside = [l for l in links if start <= l.start < stop]
        headers_before = [l for l in before if l.kind == TL_TOPICHDR]
        out += struct.pack("<iii", before[-1].pos if before else none,
                           inside[0].pos if inside else none,
                           headers_before[-1].pos if headers_before else 0)
        chunk = stream[start:stop]
        out += chunk + bytes(BLOCK_DATA - len(chunk))
    return bytes(out), [h.offset for h in headers]


def _btree(records: list[tuple[bytes, bytes]], page_size: int, structure: str,
           flags: int = 0x0002) -> bytes:
    """A B+ tree of (index key, leaf entry) records, already sorted."""
    pages: list[bytes] = []
    leaves: list[list[tuple[bytes, bytes]]] = [[]]
    used = 8
    for record in records:
        if used + len(record[1]) > page_size:
            leaves.append([])
            used = 8
        leaves[-1].append(record)
        used += len(record[1])
    level: list[tuple[bytes, int]] = []
    for n, entries in enumerate(leaves):
        body = b"".join(entry for _, entry in entries)
        nxt = n + 1 if n + 1 < len(leaves) else -1
        pages.append(struct.pack("<Hhhh", page_size - 8 - len(body), len(entries), n - 1, nxt)
                     + body + bytes(page_size - 8 - len(body)))
        level.append((entries[0][0] if entries else b"", n))
    levels = 1
    while len(level) > 1:
        levels += 1
        upper: list[tuple[bytes, int]] = []
        i = 0
        while i < len(level):
            first_key, first_page = level[i]
            i += 1
            body, count = b"", 0
            while i < len(level) and 6 + len(body) + len(level[i][0]) + 2 <= page_size:
                body += level[i][0] + struct.pack("<h", level[i][1])
                count, i = count + 1, i + 1
            upper.append((first_key, len(pages)))
            pages.append(struct.pack("<Hhh", page_size - 6 - len(body), count, first_page)
                         + body + bytes(page_size - 6 - len(body)))
        level = upper
    header = struct.pack("<HHH16shhhhhhi", BTREE_MAGIC, flags, page_size,
                         structure.encode("ascii"), 0, len(pages) - levels, level[0][1], -1,
                         len(pages), levels, len(records))
    return header + b"".join(pages)


def _system_file(doc: Document, contents_offset: int, date: int) -> bytes:
    def record(kind: int, data: bytes) -> bytes:
        return struct.pack("<HH", kind, len(data)) + data

    out = struct.pack("<HHHIH", SYSTEM_MAGIC, VERSION_MINOR, 1, date, 0)
    out += record(SYS_TITLE, encode(doc.title) + b"\0")
    out += record(SYS_CONTENTS, struct.pack("<I", contents_offset))
    out += record(SYS_CONFIG, b"BrowseButtons()\0")
    # The main window, captioned with the title (type, name and caption valid).
    caption = encode(doc.title)
    assert len(caption) < 51
    window = struct.pack("<H10s9s51s", 0x0007, b"primary", b"main", caption)
    out += record(SYS_WINDOW, window + struct.pack("<hhhhhII", 0, 0, 0, 0, 0, 0, 0))
    out += record(SYS_LCID, bytes(8) + struct.pack("<H", LCID_JAPANESE))
    out += record(SYS_CHARSET, struct.pack("<H", SHIFTJIS_CHARSET))
    out += record(SYS_DEFFONT, bytes([9, SHIFTJIS_CHARSET]) + encode(FACE_PROPORTIONAL) + b"\0")
    return out


def _font_file() -> bytes:
    faces_at = 8
    descriptors_at = faces_at + FACE_SIZE * len(FACES)
    out = struct.pack("<HHHH", len(FACES), len(FONTS), faces_at, descriptors_at)
    for face in FACES:
        name = encode(face)
        assert len(name) < FACE_SIZE
        out += name + bytes(FACE_SIZE - len(name))
    for face, half_points, bold, family in FONTS:
        out += struct.pack("<BBBH3s3s", int(bold), half_points, family, face, bytes(3), bytes(3))
    return out


def build(doc: Document, date: int = 0) -> bytes:
    """The whole .hlp file; date is the build time (seconds since 1970)."""
    topic, offsets = _topic_file(doc)
    contexts = sorted((context_hash(t.id), off) for t, off in zip(doc.topics, offsets))
    if len({h for h, _ in contexts}) != len(contexts):
        raise ValueError("two topic ids share a WinHelp hash")
    titles = sorted(zip(offsets, (t.title for t in doc.topics)))
    files = {
        "|CONTEXT": _btree([(struct.pack("<i", h), struct.pack("<iI", h, off))
                            for h, off in contexts], 0x0800, "L4"),
        "|CTXOMAP": struct.pack("<H", 0),
        "|FONT": _font_file(),
        "|SYSTEM": _system_file(doc, offsets[0], date),
        "|TOPIC": topic,
        "|TTLBTREE": _btree([(struct.pack("<I", off), struct.pack("<I", off) + encode(t) + b"\0")
                             for off, t in titles], 0x0800, "Lz"),
    }
    names = sorted(files, key=lambda name: name.encode("ascii"))
    body = bytearray()
    at: dict[str, int] = {}
    for name in names:
        at[name] = 16 + len(body)
        body += struct.pack("<IIB", len(files[name]) + 9, len(files[name]), 4) + files[name]
    directory = _btree([(n.encode("ascii") + b"\0", n.encode("ascii") + b"\0"
                         + struct.pack("<I", at[n])) for n in names], 0x0400, "z4", 0x0402)
    directory_at = 16 + len(body)
    body += struct.pack("<IIB", len(directory) + 9, len(directory), 4) + directory
    return struct.pack("<IiiI", MAGIC, directory_at, -1, 16 + len(body)) + bytes(body)
