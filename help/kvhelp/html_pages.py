"""The help as HTML: one page for the Linux help window, and one page per
topic for HTML Help (the .chm)."""
from __future__ import annotations

from html import escape
from typing import Callable

from .source import Block, Document, Run, Topic

STYLE = """body { margin: 8px; }
h1 { font-size: x-large; }
h2 { font-size: large; margin-top: 18px; }
h3 { font-size: medium; margin-top: 12px; }
td, th { padding: 2px 6px; vertical-align: top; }
th { text-align: left; }
pre { margin-left: 12px; }"""

Href = Callable[[str], str]


def _inline(runs: list[Run], href: Href) -> str:
    out = []
    for run in runs:
        text = escape(run.text, quote=False)
        if run.style:
            text = f"<{run.style}>{text}</{run.style}>"
        if run.link is not None:
            text = f'<a href="{href(run.link)}">{text}</a>'
        out.append(text)
    return "".join(out)


def _blocks(doc: Document, blocks: list[Block], href: Href) -> str:
    out: list[str] = []
    in_list = False
    for block in blocks:
        if block.kind != "li" and in_list:
            out.append("</ul>")
            in_list = False
        if block.kind == "p":
            out.append(f"<p>{_inline(block.runs, href)}</p>")
        elif block.kind == "h3":
            out.append(f"<h3>{_inline(block.runs, href)}</h3>")
        elif block.kind == "li":
            if not in_list:
                out.append("<ul>")
                in_list = True
            out.append(f"<li>{_inline(block.runs, href)}</li>")
        elif block.kind == "pre":
            out.append(f"<pre>{escape(block.text, quote=False)}</pre>")
        elif block.kind == "table":
            out.append('<table border="1" cellspacing="0">')
            for header, cells in block.rows:
                tag = "th" if header else "td"
                out.append("<tr>" + "".join(f"<{tag}>{_inline(c, href)}</{tag}>"
                                            for c in cells) + "</tr>")
            out.append("</table>")
        elif block.kind == "contents":
            out.append(f"<h2>{escape(block.text, quote=False)}</h2>")
            out.append("<ul>")
            out += [f'<li><a href="{href(t.id)}">{escape(t.title, quote=False)}</a></li>'
                    for t in doc.topics[1:]]
            out.append("</ul>")
    if in_list:
        out.append("</ul>")
    return "\n".join(out)


def _page(title: str, body: str, head: str = "") -> str:
    return (f'<!DOCTYPE html>\n<html lang="ja">\n<head>\n{head}'
            f"<title>{escape(title, quote=False)}</title>\n<style>\n{STYLE}\n</style>\n"
            f"</head>\n<body>\n\n{body}\n\n</body>\n</html>\n")


def single_page(doc: Document) -> str:
    """Every topic on one page, the contents first; links are anchors."""
    href = lambda topic_id: f"#{topic_id}"  # noqa: E731
    first, rest = doc.topics[0], doc.topics[1:]
    parts = [f"<h1>{escape(first.title, quote=False)}</h1>\n",
             _blocks(doc, first.blocks, href)]
    for topic in rest:
        parts.append(f'\n\n<h2><a name="{topic.id}"></a>{escape(topic.title, quote=False)}</h2>\n')
        parts.append(_blocks(doc, topic.blocks, href))
    return _page(doc.title, "".join(parts), '<meta charset="utf-8">\n')


def topic_file(topic: Topic) -> str:
    return f"{topic.id}.html"


def topic_page(doc: Document, topic: Topic, charset: str) -> str:
    """One topic as a page of its own, for HTML Help."""
    href = lambda topic_id: topic_file(doc.topic(topic_id))  # noqa: E731
    body = f"<h1>{escape(topic.title, quote=False)}</h1>\n" + _blocks(doc, topic.blocks, href)
    head = f'<meta http-equiv="Content-Type" content="text/html; charset={charset}">\n'
    return _page(topic.title, body, head)
