"""The HTML Help project (.hhp with its contents .hhc and pages) that chmcmd
compiles into Kavreno.chm: Japanese (LCID 0x0411), pages in Shift_JIS, the
contents topic first and shown when the file opens."""
from __future__ import annotations

from html import escape
from pathlib import Path

from .html_pages import topic_file, topic_page
from .source import Document

CHARSET = "Shift_JIS"
CODEPAGE = "cp932"


def write_project(doc: Document, directory: Path, chm_name: str) -> Path:
    """Writes the project into directory; returns the .hhp file."""
    directory.mkdir(parents=True, exist_ok=True)
    files = [topic_file(t) for t in doc.topics]
    for topic, name in zip(doc.topics, files):
        (directory / name).write_bytes(topic_page(doc, topic, CHARSET).encode(CODEPAGE))

    items = []
    for topic, name in zip(doc.topics, files):
        items.append('<LI> <OBJECT type="text/sitemap">\n'
                     f'<param name="Name" value="{escape(topic.title)}">\n'
                     f'<param name="Local" value="{name}">\n</OBJECT>')
    toc = ('<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">\n<HTML>\n<HEAD>\n'
           f'<meta http-equiv="Content-Type" content="text/html; charset={CHARSET}">\n'
           "</HEAD>\n<BODY>\n<UL>\n" + "\n".join(items) + "\n</UL>\n</BODY>\n</HTML>\n")
    (directory / "contents.hhc").write_bytes(toc.encode(CODEPAGE))

    project = (
        "[OPTIONS]\r\n"
        "Compatibility=1.1 or later\r\n"
        f"Compiled file={chm_name}\r\n"
        "Contents file=contents.hhc\r\n"
        f"Default topic={files[0]}\r\n"
        "Display compile progress=No\r\n"
        "Full-text search=Yes\r\n"
        "Language=0x411 Japanese\r\n"
        f"Title={doc.title}\r\n"
        "\r\n[FILES]\r\n" + "".join(f"{name}\r\n" for name in files))
    hhp = directory / "Kavreno.hhp"
    hhp.write_bytes(project.encode(CODEPAGE))
    return hhp
