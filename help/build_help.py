#!/usr/bin/env python3
"""Builds Kavreno's help from its one source (help/Kavreno.help.xml):
  --html FILE         the single HTML page the Linux help window shows
  --hlp FILE          the WinHelp file for the Windows help engine
  --chm-project DIR   the HTML Help project that chmcmd compiles to the .chm
Standard library only."""
from __future__ import annotations

import argparse
import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kvhelp import chm, html_pages, source, winhelp  # noqa: E402


def _write_if_changed(path: Path, data: bytes) -> None:
    path.parent.mkdir(parents=True, exist_ok=True)
    if not path.exists() or path.read_bytes() != data:
        path.write_bytes(data)


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source", type=Path)
    parser.add_argument("--html", type=Path)
    parser.add_argument("--hlp", type=Path)
    parser.add_argument("--chm-project", type=Path)
    parser.add_argument("--chm-name", default="Kavreno.chm")
    args = parser.parse_args(argv)
    try:
        with args.source.open("rb") as stream:
            doc = source.parse(stream)
    except (OSError, source.SourceError) as e:
        print(f"build_help: {args.source}: {e}", file=sys.stderr)
        return 1
    # The build date of the WinHelp file: reproducible when asked to be.
    date = int(os.environ.get("SOURCE_DATE_EPOCH", int(args.source.stat().st_mtime)))
    if args.html:
        _write_if_changed(args.html, html_pages.single_page(doc).encode("utf-8"))
    if args.hlp:
        _write_if_changed(args.hlp, winhelp.build(doc, date))
    if args.chm_project:
        chm.write_project(doc, args.chm_project, args.chm_name)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
