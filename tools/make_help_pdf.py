#!/usr/bin/python3
"""Typesets the user guide (docs/help.md) as the PDF that the help command
opens beside vemlo.exe.

    make_help_pdf.py docs/help.md OUT.pdf

The guide uses a small part of Markdown: "# " title, "## " headings,
paragraphs, "- " and "1. " lists, tables of "|" rows with a "|---|" line
under the header, ``` blocks and `code`. It is set in the Japanese CID fonts
that reportlab carries (no font files needed), so the PDF names its fonts and
the reader supplies them. Needs python3-reportlab. The output does not change
between runs of the same input.
"""

import html
import re
import sys

try:
    from reportlab import rl_config
    from reportlab.lib import colors
    from reportlab.lib.enums import TA_LEFT
    from reportlab.lib.pagesizes import A4
    from reportlab.lib.styles import ParagraphStyle
    from reportlab.lib.units import mm
    from reportlab.pdfbase import pdfmetrics
    from reportlab.pdfbase.cidfonts import UnicodeCIDFont
    from reportlab.platypus import ListFlowable, ListItem, Paragraph, SimpleDocTemplate, Spacer, Table, TableStyle
except ImportError:
    sys.exit("make_help_pdf.py: python3-reportlab is missing (scripts/install-deps installs it)")

MINCHO = "HeiseiMin-W3"
GOTHIC = "HeiseiKakuGo-W5"
ACCENT = colors.HexColor("#1f3f9f")

# No time stamp or random document id: the same guide gives the same bytes.
rl_config.invariant = 1


def styles():
    body = ParagraphStyle("body", fontName=MINCHO, fontSize=10, leading=16, wordWrap="CJK", alignment=TA_LEFT,
                          spaceAfter=5)
    return {
        "title": ParagraphStyle("title", parent=body, fontName=GOTHIC, fontSize=20, leading=28, textColor=ACCENT,
                                spaceAfter=10),
        "heading": ParagraphStyle("heading", parent=body, fontName=GOTHIC, fontSize=13, leading=20, textColor=ACCENT,
                                  spaceBefore=10, spaceAfter=4, keepWithNext=1),
        "body": body,
        "cell": ParagraphStyle("cell", parent=body, fontSize=9, leading=13, spaceAfter=0),
        "head": ParagraphStyle("head", parent=body, fontName=GOTHIC, fontSize=9, leading=13, spaceAfter=0,
                               textColor=colors.white),
        "code": ParagraphStyle("code", parent=body, fontName=GOTHIC, fontSize=10, leading=15, leftIndent=12,
                               backColor=colors.HexColor("#eef0f6"), borderPadding=(4, 6, 4, 6), spaceBefore=4,
                               spaceAfter=9),
    }


# Latin letters come from the standard PDF fonts, whose widths every reader
# knows; the Japanese fonts' own Latin widths are often not those of the font
# a reader puts in their place, and the words come out unevenly spaced.
LATIN = {MINCHO: "Times-Roman", GOTHIC: "Helvetica"}
LATIN_BOLD = {"title", "heading", "head"}  # styles whose Latin letters are bold
CODE_LATIN = "Courier"


def runs(text, latin):
    """text as markup, its ASCII runs set in the Latin font."""
    out = []
    for part in re.split(r"([\x20-\x7e]+)", text):
        if not part:
            continue
        escaped = html.escape(part, quote=False)
        out.append(f'<font name="{latin}">{escaped}</font>' if part[0] <= "\x7e" else escaped)
    return "".join(out)


def inline(text, style):
    """Markdown inline text as reportlab paragraph markup for style."""
    out = []
    for part in re.split(r"(`[^`]*`)", text):
        if len(part) >= 2 and part.startswith("`") and part.endswith("`"):
            out.append(f'<font name="{GOTHIC}" color="#1f3f9f">{runs(part[1:-1], CODE_LATIN)}</font>')
        else:
            latin = "Helvetica-Bold" if style.name in LATIN_BOLD else LATIN[style.fontName]
            out.append(runs(part, latin))
    return "".join(out)


def table(rows, st, width):
    header, body = rows[0], rows[1:]
    data = [[Paragraph(inline(c, st["head"]), st["head"]) for c in header]]
    data += [[Paragraph(inline(c, st["cell"]), st["cell"]) for c in row] for row in body]
    columns = len(header)
    # The last column holds the explanations and takes what the others leave.
    first = [0.30] if columns == 2 else [0.22] + [0.46] * (columns - 2)
    widths = [width * f for f in first]
    widths.append(width - sum(widths))
    t = Table(data, colWidths=widths, repeatRows=1)
    t.setStyle(TableStyle([
        ("BACKGROUND", (0, 0), (-1, 0), ACCENT),
        ("ROWBACKGROUNDS", (0, 1), (-1, -1), [colors.white, colors.HexColor("#f3f4f8")]),
        ("GRID", (0, 0), (-1, -1), 0.4, colors.HexColor("#9aa3bf")),
        ("VALIGN", (0, 0), (-1, -1), "TOP"),
        ("TOPPADDING", (0, 0), (-1, -1), 3),
        ("BOTTOMPADDING", (0, 0), (-1, -1), 4),
    ]))
    return t


def cells(line):
    return [c.strip() for c in line.strip().strip("|").split("|")]


def flowables(text, st, width):
    lines = text.split("\n")
    out, i = [], 0
    paragraph = []

    def flush():
        if paragraph:
            out.append(Paragraph(inline(" ".join(paragraph), st["body"]), st["body"]))
            paragraph.clear()

    while i < len(lines):
        line = lines[i].rstrip()
        if not line.strip():
            flush()
            i += 1
        elif line.startswith("```"):
            flush()
            block = []
            i += 1
            while i < len(lines) and not lines[i].startswith("```"):
                block.append(lines[i])
                i += 1
            i += 1
            out.append(Paragraph("<br/>".join(runs(b, CODE_LATIN) for b in block), st["code"]))
        elif line.startswith("# "):
            flush()
            out.append(Paragraph(inline(line[2:], st["title"]), st["title"]))
            i += 1
        elif line.startswith("## "):
            flush()
            out.append(Paragraph(inline(line[3:], st["heading"]), st["heading"]))
            i += 1
        elif line.startswith("|"):
            flush()
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                if not re.fullmatch(r"\|[\s\-:|]+\|", lines[i].strip()):
                    rows.append(cells(lines[i]))
                i += 1
            out.append(table(rows, st, width))
            out.append(Spacer(1, 8))
        elif re.match(r"(- |\d+\. )", line):
            flush()
            numbered = not line.startswith("- ")
            items = []
            while i < len(lines) and re.match(r"(- |\d+\. )", lines[i]):
                items.append(re.sub(r"^(- |\d+\. )", "", lines[i].rstrip()))
                i += 1
            out.append(ListFlowable(
                [ListItem(Paragraph(inline(t, st["body"]), st["body"]), leftIndent=16) for t in items],
                bulletType="1" if numbered else "bullet", start=1 if numbered else "•", bulletFormat="%s." if numbered else None,
                bulletFontName=MINCHO if numbered else GOTHIC, bulletFontSize=9, leftIndent=16))
        else:
            paragraph.append(line.strip())
            i += 1
    flush()
    return out


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_help_pdf.py HELP.md OUT.pdf")
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    for font in (MINCHO, GOTHIC):
        pdfmetrics.registerFont(UnicodeCIDFont(font))
    title = next((line[2:].strip() for line in text.split("\n") if line.startswith("# ")), "Vemlo")

    def footer(canvas, doc):
        canvas.saveState()
        canvas.setFont("Helvetica", 8)
        canvas.setFillColor(colors.grey)
        canvas.drawCentredString(A4[0] / 2, 12 * mm, f"Vemlo  -  {doc.page}")
        canvas.restoreState()

    doc = SimpleDocTemplate(target, pagesize=A4, leftMargin=20 * mm, rightMargin=20 * mm, topMargin=18 * mm,
                            bottomMargin=20 * mm, title=title, author="Brantor", subject="Vemlo", creator="Vemlo")
    doc.build(flowables(text, styles(), doc.width), onFirstPage=footer, onLaterPages=footer)


if __name__ == "__main__":
    main()
