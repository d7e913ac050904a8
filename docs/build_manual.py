#!/usr/bin/env python3
"""Builds the HTML manual from the Markdown pages of docs/.

usage: build_manual.py OUTPUT_DIR guide.md [page.md ...]

The first page becomes index.html; every page gets the same navigation bar
and style sheet, and links between pages (x.md) point at the HTML files.
"""

import html
import pathlib
import re
import sys

import markdown

STYLE = """
body { font-family: sans-serif; max-width: 56em; margin: 0 auto; padding: 0 1em 2em; line-height: 1.45; color: #222; }
nav { border-bottom: 1px solid #ccd; padding: .6em 0; margin-bottom: 1em; }
nav a { margin-right: 1.2em; text-decoration: none; color: #2f5d8a; font-weight: bold; }
nav a.current { color: #222; }
h1, h2, h3, h4 { color: #2f5d8a; }
code, pre { font-family: monospace; background: #f3f5f8; }
pre { padding: .6em .8em; border-left: 3px solid #c8d6e5; overflow-x: auto; }
table { border-collapse: collapse; margin: .8em 0; }
th, td { border: 1px solid #ccd; padding: .25em .5em; vertical-align: top; text-align: left; }
th { background: #e8eef5; }
"""


def title_of(text, fallback):
    match = re.search(r"^#\s+(.+)$", text, re.MULTILINE)
    return match.group(1).strip() if match else fallback


def html_name(index, source):
    return "index.html" if index == 0 else source.stem + ".html"


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    out = pathlib.Path(argv[1])
    sources = [pathlib.Path(p) for p in argv[2:]]
    out.mkdir(parents=True, exist_ok=True)
    texts = [s.read_text(encoding="utf-8") for s in sources]
    pages = [(html_name(i, s), title_of(t, s.stem)) for i, (s, t) in enumerate(zip(sources, texts))]
    renames = {s.name: pages[i][0] for i, s in enumerate(sources)}
    (out / "manual.css").write_text(STYLE.lstrip(), encoding="utf-8")

    for i, text in enumerate(texts):
        # Links between pages name the Markdown files; the manual has HTML.
        for md, target in renames.items():
            text = re.sub(r"\]\(%s(#[^)]*)?\)" % re.escape(md), lambda m: "](%s%s)" % (target, m.group(1) or ""), text)
        body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc", "sane_lists"])
        nav = "".join(
            '<a href="%s"%s>%s</a>' % (name, ' class="current"' if j == i else "", html.escape(title))
            for j, (name, title) in enumerate(pages))
        page = ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                "<title>%s</title>\n<link rel=\"stylesheet\" href=\"manual.css\">\n</head>\n"
                "<body>\n<nav>%s</nav>\n%s\n</body>\n</html>\n") % (html.escape(pages[i][1]), nav, body)
        (out / pages[i][0]).write_text(page, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
