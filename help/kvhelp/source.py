"""Reads the help source (help/Kavreno.help.xml) into topics of blocks of runs.

The source is a small XML dialect:
  <help title="...">             the whole help; its title is the window title
    <topic id="..." title="...">  one page; the first topic is the contents
      <p>, <h3>, <pre>, <ul><li>, <table><tr><th|td>   blocks
      <contents title="..."/>    the list of every other topic (contents only)
  inside text: <b>, <code>, <a href="#topic-id">
Whitespace in text collapses to one space, as in HTML, except inside <pre>.
"""
from __future__ import annotations

import re
import xml.etree.ElementTree as ET
from dataclasses import dataclass, field

# WinHelp context names hash only these characters the same way everywhere.
_TOPIC_ID = re.compile(r"^[a-z][a-z0-9_]*$")


class SourceError(Exception):
    pass


@dataclass
class Run:
    text: str
    style: str = ""          # "", "b" or "code"
    link: str | None = None  # id of the topic it jumps to


@dataclass
class Block:
    kind: str                       # p, h3, li, pre, table, contents
    runs: list[Run] = field(default_factory=list)
    text: str = ""                  # pre: the lines; contents: the heading
    rows: list[tuple[bool, list[list[Run]]]] = field(default_factory=list)  # table


@dataclass
class Topic:
    id: str
    title: str
    blocks: list[Block]


@dataclass
class Document:
    title: str
    topics: list[Topic]

    def topic(self, topic_id: str) -> Topic:
        return next(t for t in self.topics if t.id == topic_id)


def _runs(element: ET.Element, style: str = "", link: str | None = None) -> list[Run]:
    runs: list[Run] = []
    if element.text:
        runs.append(Run(element.text, style, link))
    for child in element:
        if child.tag in ("b", "code"):
            runs += _runs(child, child.tag, link)
        elif child.tag == "a":
            href = child.get("href", "")
            if not href.startswith("#"):
                raise SourceError(f"link {href!r}: only links to topics (#id) are allowed")
            runs += _runs(child, style, href[1:])
        else:
            raise SourceError(f"<{child.tag}> is not allowed inside text")
        if child.tail:
            runs.append(Run(child.tail, style, link))
    return runs


def _collapse(runs: list[Run]) -> list[Run]:
    """Collapses white space like HTML: one space, none at the ends."""
    out: list[Run] = []
    for run in runs:
        text = re.sub(r"\s+", " ", run.text)
        if out and out[-1].text.endswith(" ") and text.startswith(" "):
            text = text[1:]
        if text:
            out.append(Run(text, run.style, run.link))
    if out:
        out[0].text = out[0].text.lstrip()
        out[-1].text = out[-1].text.rstrip()
    return [r for r in out if r.text]


def _blocks(topic: ET.Element) -> list[Block]:
    blocks: list[Block] = []
    for el in topic:
        if el.tag in ("p", "h3"):
            blocks.append(Block(el.tag, _collapse(_runs(el))))
        elif el.tag == "pre":
            blocks.append(Block("pre", text="".join(el.itertext()).strip("\n")))
        elif el.tag == "ul":
            for li in el:
                if li.tag != "li":
                    raise SourceError("<ul> holds only <li>")
                blocks.append(Block("li", _collapse(_runs(li))))
        elif el.tag == "table":
            rows = []
            for tr in el:
                cells = [c for c in tr if c.tag in ("th", "td")]
                if tr.tag != "tr" or len(cells) != len(tr) or not cells:
                    raise SourceError("<table> holds <tr> rows of <th> or <td> cells")
                rows.append((cells[0].tag == "th", [_collapse(_runs(c)) for c in cells]))
            blocks.append(Block("table", rows=rows))
        elif el.tag == "contents":
            blocks.append(Block("contents", text=el.get("title", "")))
        else:
            raise SourceError(f"<{el.tag}> is not a block")
    return blocks


def parse(stream) -> Document:
    """Parses the help source from a binary or text stream."""
    try:
        root = ET.parse(stream).getroot()
    except ET.ParseError as e:
        raise SourceError(str(e)) from e
    if root.tag != "help" or not root.get("title"):
        raise SourceError("the root is <help title=...>")
    topics = []
    for el in root:
        if el.tag != "topic":
            raise SourceError(f"<{el.tag}> outside a topic")
        topic_id, title = el.get("id", ""), el.get("title", "")
        if not _TOPIC_ID.match(topic_id) or not title:
            raise SourceError(f"topic {topic_id!r}: needs an id of a-z, 0-9, _ and a title")
        topics.append(Topic(topic_id, title, _blocks(el)))
    if not topics:
        raise SourceError("the help has no topic")
    ids = [t.id for t in topics]
    if len(set(ids)) != len(ids):
        raise SourceError("two topics share an id")
    for topic in topics:
        for block in topic.blocks:
            runs = block.runs + [r for _, cells in block.rows for cell in cells for r in cell]
            for run in runs:
                if run.link is not None and run.link not in ids:
                    raise SourceError(f"topic {topic.id!r} links to unknown topic {run.link!r}")
            if block.kind == "contents" and topic is not topics[0]:
                raise SourceError("only the first topic (the contents) lists the topics")
    return Document(root.get("title"), topics)
