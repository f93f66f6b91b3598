#!/usr/bin/env python3
"""Builds the sample help document data/sample/sample.docx from its committed source.

    python3 tools/make_sample.py [SOURCE_FOLDER] [OUTPUT.docx]

The source is data/sample/source/sample.txt (the text, in the small markup below) and the
pictures in data/sample/source/images/ (drawn by tools/sample_pictures.py). Only the standard
library is used, and the zip entries carry a fixed time stamp, so the same source always gives
the same bytes.

Markup of sample.txt, one construct per line; paragraphs are separated by blank lines:
  %name value                    document properties: title, subject, creator, keywords,
                                 description; subtitle is the line under the title
  # Text {#Id}                   heading of level 1 (## level 2, ### level 3) with a bookmark
  @props Id=1;FileName=x         a property field at the start of the next paragraph
  @button Target | Text | Tip    a floating button-like shape linked to a bookmark or address,
                                 anchored in a paragraph of its own
  @canvas W H | Alt               a drawing canvas (size in pixels at 96 dpi) anchored in a
  @item X Y W H | Target | Text    paragraph of its own; each item is a box, Target "-" for no link
  @end
  !image file.png WIDTH | alt text | caption     a picture in its own paragraph, then a caption
  - item / 1. item               bulleted and numbered list items
  > text                         a note
  |a|b|c                         a table row; the first row of a table is its header row
  four blanks + text             a line of code
Inline: **bold**, [[Id]] a cross-reference (REF field) to a heading, [[Id|text]] a link to a
bookmark, [text](address) a web link, {xe Main:Sub} an index entry (XE field).
"""

import os
import re
import struct
import sys
import zipfile
from xml.sax.saxutils import escape

FIXED_TIME = (2026, 1, 5, 9, 0, 0)
EMU_PER_PX = 9525  # 96 pixels per inch
TEXT_WIDTH_TWIPS = 11906 - 2 * 1440
ANCHOR_PPR = '<w:spacing w:after="0"/>'  # the paragraph that only holds a floating shape

NS = {
    "wpc": "http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas",
    "mc": "http://schemas.openxmlformats.org/markup-compatibility/2006",
    "o": "urn:schemas-microsoft-com:office:office",
    "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "m": "http://schemas.openxmlformats.org/officeDocument/2006/math",
    "v": "urn:schemas-microsoft-com:vml",
    "wp14": "http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing",
    "wp": "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing",
    "w10": "urn:schemas-microsoft-com:office:word",
    "w": "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
    "w14": "http://schemas.microsoft.com/office/word/2010/wordml",
    "w15": "http://schemas.microsoft.com/office/word/2012/wordml",
    "wpg": "http://schemas.microsoft.com/office/word/2010/wordprocessingGroup",
    "wps": "http://schemas.microsoft.com/office/word/2010/wordprocessingShape",
    "a": "http://schemas.openxmlformats.org/drawingml/2006/main",
    "pic": "http://schemas.openxmlformats.org/drawingml/2006/picture",
}
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
XML_HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'


def ns_decl(*names):
    return " ".join('xmlns:%s="%s"' % (n, NS[n]) for n in names)


def attr(s):
    return escape(s, {'"': "&quot;"})


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    return struct.unpack(">II", data[16:24])


class Document:
    def __init__(self, images_dir):
        self.images_dir = images_dir
        self.props = {}
        self.body = []
        self.rels = []  # (id, type, target, external)
        self.media = []  # (name, bytes)
        self.bookmarks = {}  # id -> heading text
        self.next_bookmark = 0
        self.next_docpr = 1
        self.next_rel = 10
        self.numbered_lists = 0
        self.link_rels = {}

    # --- relationships -------------------------------------------------------------------

    def rel(self, type_, target, external=False):
        rid = "rId%d" % self.next_rel
        self.next_rel += 1
        self.rels.append((rid, type_, target, external))
        return rid

    def hyperlink_rel(self, target):
        # A shape's link lives in a relationship; "#Name" names a bookmark of this document.
        if target not in self.link_rels:
            self.link_rels[target] = self.rel(REL + "/hyperlink", target, True)
        return self.link_rels[target]

    def docpr(self):
        n = self.next_docpr
        self.next_docpr += 1
        return n

    # --- runs ----------------------------------------------------------------------------

    @staticmethod
    def run(text, rpr=""):
        text = escape(text)
        return "<w:r>%s<w:t xml:space=\"preserve\">%s</w:t></w:r>" % ("<w:rPr>%s</w:rPr>" % rpr if rpr else "", text)

    @staticmethod
    def field(code, result_runs=None):
        out = '<w:r><w:fldChar w:fldCharType="begin"/></w:r>'
        out += '<w:r><w:instrText xml:space="preserve">%s</w:instrText></w:r>' % escape(code)
        if result_runs is not None:
            out += '<w:r><w:fldChar w:fldCharType="separate"/></w:r>' + result_runs
        return out + '<w:r><w:fldChar w:fldCharType="end"/></w:r>'

    INLINE = re.compile(r"(\*\*.+?\*\*|\[\[[^\]]+\]\]|\[[^\]]+\]\([^)\s]+\)|\{xe [^}]+\})")

    def inline(self, text):
        out = []
        for part in self.INLINE.split(text):
            if not part:
                continue
            if part.startswith("**") and part.endswith("**") and len(part) > 4:
                out.append(self.run(part[2:-2], "<w:b/>"))
            elif part.startswith("[["):
                inner = part[2:-2]
                if "|" in inner:
                    target, shown = inner.split("|", 1)
                    self.need_bookmark(target)
                    out.append('<w:hyperlink w:anchor="%s" w:history="1">%s</w:hyperlink>'
                               % (attr(target), self.run(shown, '<w:rStyle w:val="Hyperlink"/>')))
                else:
                    self.need_bookmark(inner)
                    out.append(self.field(" REF %s \\h " % inner, self.run(self.bookmarks.get(inner, inner))))
            elif part.startswith("[") and "](" in part:
                shown, address = part[1:-1].split("](", 1)
                rid = self.rel(REL + "/hyperlink", address, True)
                out.append('<w:hyperlink r:id="%s" w:history="1">%s</w:hyperlink>'
                           % (rid, self.run(shown, '<w:rStyle w:val="Hyperlink"/>')))
            elif part.startswith("{xe "):
                entry = part[4:-1].strip().replace('"', '\\"')
                out.append(self.field(' XE "%s" ' % entry))
            else:
                out.append(self.run(part))
        return "".join(out)

    def need_bookmark(self, name):
        self.pending_refs.add(name)

    # --- paragraphs ----------------------------------------------------------------------

    @staticmethod
    def para(content, style=None, extra_ppr=""):
        ppr = ('<w:pStyle w:val="%s"/>' % style if style else "") + extra_ppr
        return "<w:p>%s%s</w:p>" % ("<w:pPr>%s</w:pPr>" % ppr if ppr else "", content)

    def heading(self, level, text, bookmark):
        content = self.run(text)
        if bookmark:
            bid = self.next_bookmark
            self.next_bookmark += 1
            content = '<w:bookmarkStart w:id="%d" w:name="%s"/>%s<w:bookmarkEnd w:id="%d"/>' % (bid, attr(bookmark), content, bid)
        return self.para(content, "Heading%d" % level)

    def picture(self, name, width_px, alt):
        data = open(os.path.join(self.images_dir, name), "rb").read()
        w, h = png_size(data)
        height_px = round(h * width_px / w)
        cx, cy = width_px * EMU_PER_PX, height_px * EMU_PER_PX
        media_name = "image%d.png" % (len(self.media) + 1)
        self.media.append((media_name, data))
        rid = self.rel(REL + "/image", "media/" + media_name)
        n = self.docpr()
        return ('<w:r><w:drawing><wp:inline distT="0" distB="0" distL="0" distR="0">'
                '<wp:extent cx="%d" cy="%d"/><wp:effectExtent l="0" t="0" r="0" b="0"/>'
                '<wp:docPr id="%d" name="Picture %d" descr="%s"/>'
                '<wp:cNvGraphicFramePr><a:graphicFrameLocks %s noChangeAspect="1"/></wp:cNvGraphicFramePr>'
                '<a:graphic %s><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture">'
                '<pic:pic %s><pic:nvPicPr><pic:cNvPr id="0" name="%s" descr="%s"/><pic:cNvPicPr/></pic:nvPicPr>'
                '<pic:blipFill><a:blip r:embed="%s"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>'
                '<pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%d" cy="%d"/></a:xfrm>'
                '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>'
                '</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>'
                % (cx, cy, n, n, attr(alt), ns_decl("a"), ns_decl("a"), ns_decl("pic"), attr(name), attr(alt),
                   rid, cx, cy))

    @staticmethod
    def box_text(text, colour, size=20):
        return ('<w:txbxContent><w:p><w:pPr><w:spacing w:after="0" w:line="240" w:lineRule="auto"/><w:jc w:val="center"/></w:pPr>'
                '<w:r><w:rPr><w:b/><w:color w:val="%s"/><w:sz w:val="%d"/></w:rPr><w:t xml:space="preserve">%s</w:t></w:r></w:p></w:txbxContent>'
                % (colour, size, escape(text)))

    def anchor_frame(self, n, name, descr, cx, cy, link_xml, graphic, fallback):
        return ('<w:r><mc:AlternateContent><mc:Choice Requires="%s"><w:drawing>'
                '<wp:anchor distT="0" distB="114300" distL="114300" distR="114300" simplePos="0" relativeHeight="%d" '
                'behindDoc="0" locked="0" layoutInCell="1" allowOverlap="1">'
                '<wp:simplePos x="0" y="0"/><wp:positionH relativeFrom="column"><wp:posOffset>0</wp:posOffset></wp:positionH>'
                '<wp:positionV relativeFrom="paragraph"><wp:posOffset>0</wp:posOffset></wp:positionV>'
                '<wp:extent cx="%d" cy="%d"/><wp:effectExtent l="0" t="0" r="0" b="0"/><wp:wrapTopAndBottom/>'
                '<wp:docPr id="%d" name="%s" descr="%s">%s</wp:docPr><wp:cNvGraphicFramePr/>%s'
                '</wp:anchor></w:drawing></mc:Choice><mc:Fallback><w:pict>%s</w:pict></mc:Fallback></mc:AlternateContent></w:r>'
                % ("wpc" if "wordprocessingCanvas" in graphic else "wps", 251658240 + n, cx, cy, n, attr(name), attr(descr),
                   link_xml, graphic, fallback))

    def button(self, target, text, tip):
        cx, cy = 260 * EMU_PER_PX, 40 * EMU_PER_PX
        address = "#" + target if not re.match(r"^[a-z]+:", target) else target
        if address.startswith("#"):
            self.need_bookmark(target)
        rid = self.hyperlink_rel(address)
        n = self.docpr()
        link = '<a:hlinkClick %s r:id="%s" tooltip="%s"/>' % (ns_decl("a"), rid, attr(tip))
        graphic = ('<a:graphic %s><a:graphicData uri="http://schemas.microsoft.com/office/word/2010/wordprocessingShape">'
                   '<wps:wsp><wps:cNvSpPr/><wps:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%d" cy="%d"/></a:xfrm>'
                   '<a:prstGeom prst="roundRect"><a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val="2166AC"/></a:solidFill>'
                   '<a:ln w="12700"><a:solidFill><a:srgbClr val="174A7C"/></a:solidFill></a:ln></wps:spPr>'
                   '<wps:txbx>%s</wps:txbx>'
                   '<wps:bodyPr rot="0" vert="horz" wrap="square" lIns="91440" tIns="45720" rIns="91440" bIns="45720" anchor="ctr">'
                   '<a:noAutofit/></wps:bodyPr></wps:wsp></a:graphicData></a:graphic>'
                   % (ns_decl("a"), cx, cy, self.box_text(text, "FFFFFF")))
        fallback = ('<v:roundrect id="Button %d" o:spid="_x0000_s%d" style="position:absolute;margin-left:0;margin-top:0;'
                    'width:195pt;height:30pt;z-index:%d;mso-position-horizontal-relative:text;mso-position-vertical-relative:text" '
                    'arcsize="10923f" href="%s" title="%s" fillcolor="#2166ac" strokecolor="#174a7c" strokeweight="1pt">'
                    '<v:textbox>%s</v:textbox><w10:wrap type="topAndBottom"/></v:roundrect>'
                    % (n, 1024 + n, n, attr(address), attr(tip), self.box_text(text, "FFFFFF")))
        return self.anchor_frame(n, "Rounded Rectangle %d" % n, text, cx, cy, link, graphic, fallback)

    def canvas(self, width_px, height_px, alt, items):
        cx, cy = width_px * EMU_PER_PX, height_px * EMU_PER_PX
        n = self.docpr()
        shapes, vml = [], []
        colours = [("D6E6F6", "2166AC"), ("DDF0E4", "2E8B57"), ("F7E0DC", "C0392B")]
        for k, (x, y, w, h, target, text) in enumerate(items):
            fill, line = colours[k % len(colours)]
            m = self.docpr()
            link = ""
            href = ""
            if target != "-":
                self.need_bookmark(target)
                link = '<a:hlinkClick r:id="%s"/>' % self.hyperlink_rel("#" + target)
                href = ' href="#%s"' % attr(target)
            shapes.append('<wps:wsp><wps:cNvPr id="%d" name="Rectangle %d">%s</wps:cNvPr><wps:cNvSpPr/>'
                          '<wps:spPr><a:xfrm><a:off x="%d" y="%d"/><a:ext cx="%d" cy="%d"/></a:xfrm>'
                          '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val="%s"/></a:solidFill>'
                          '<a:ln w="19050"><a:solidFill><a:srgbClr val="%s"/></a:solidFill></a:ln></wps:spPr>'
                          '<wps:txbx>%s</wps:txbx><wps:bodyPr rot="0" vert="horz" wrap="square" anchor="ctr"><a:noAutofit/></wps:bodyPr></wps:wsp>'
                          % (m, m, link, x * EMU_PER_PX, y * EMU_PER_PX, w * EMU_PER_PX, h * EMU_PER_PX, fill, line,
                             self.box_text(text, line, 22)))
            vml.append('<v:rect id="Rectangle %d" o:spid="_x0000_s%d" style="position:absolute;left:%d;top:%d;width:%d;height:%d"%s '
                       'fillcolor="#%s" strokecolor="#%s" strokeweight="1.5pt"><v:textbox>%s</v:textbox></v:rect>'
                       % (m, 1024 + m, x * 15, y * 15, w * 15, h * 15, href, fill.lower(), line.lower(), self.box_text(text, line, 22)))
        graphic = ('<a:graphic %s><a:graphicData uri="http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas">'
                   '<wpc:wpc><wpc:bg/><wpc:whole/>%s</wpc:wpc></a:graphicData></a:graphic>' % (ns_decl("a"), "".join(shapes)))
        fallback = ('<v:group id="Canvas %d" o:spid="_x0000_s%d" editas="canvas" style="position:absolute;margin-left:0;margin-top:0;'
                    'width:%dpt;height:%dpt;z-index:%d" coordsize="%d,%d"><v:rect id="_x0000_s%d" o:spt="1" style="position:absolute;'
                    'left:0;top:0;width:%d;height:%d" filled="f" stroked="f"/>%s<w10:wrap type="topAndBottom"/></v:group>'
                    % (n, 1024 + n, width_px * 3 // 4, height_px * 3 // 4, n, width_px * 15, height_px * 15, 3000 + n,
                       width_px * 15, height_px * 15, "".join(vml)))
        return self.anchor_frame(n, "Canvas %d" % n, alt, cx, cy, "", graphic, fallback)

    def table(self, rows):
        cols = max(len(r) for r in rows)
        if cols == 3:
            widths = [1800, 4226, 3000]
        else:
            first = 2600
            widths = [first] + [(TEXT_WIDTH_TWIPS - first) // (cols - 1)] * (cols - 1)
        out = ['<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/><w:tblW w:w="%d" w:type="dxa"/>'
               '<w:tblLook w:val="04A0" w:firstRow="1" w:lastRow="0" w:firstColumn="1" w:lastColumn="0" w:noHBand="0" w:noVBand="1"/>'
               '</w:tblPr><w:tblGrid>%s</w:tblGrid>'
               % (sum(widths), "".join('<w:gridCol w:w="%d"/>' % w for w in widths))]
        for i, row in enumerate(rows):
            header = i == 0
            out.append("<w:tr>%s" % ('<w:trPr><w:tblHeader/></w:trPr>' if header else ""))
            for j in range(cols):
                cell = row[j] if j < len(row) else ""
                shd = '<w:shd w:val="clear" w:color="auto" w:fill="DCE8F5"/>' if header else ""
                content = self.run(cell, "<w:b/>") if header else self.inline(cell)
                out.append('<w:tc><w:tcPr><w:tcW w:w="%d" w:type="dxa"/>%s</w:tcPr>%s</w:tc>'
                           % (widths[j], shd, self.para(content, "TableText")))
            out.append("</w:tr>")
        out.append("</w:tbl>")
        return "".join(out)

    # --- the source ------------------------------------------------------------------------

    def parse(self, text):
        lines = text.split("\n")
        # Heading texts first, so cross-references show the text of headings further down.
        for line in lines:
            m = re.match(r"^(#{1,3}) (.*?)(?: \{#(\w+)\})?\s*$", line)
            if m and m.group(3):
                self.bookmarks[m.group(3)] = m.group(2)
        self.pending_refs = set()
        pending = []  # property fields for the start of the next paragraph
        paragraph = []
        i = 0

        def flush():
            if paragraph:
                self.body.append(self.para("".join(pending) + self.inline(" ".join(paragraph))))
                pending.clear()
                paragraph.clear()

        while i < len(lines):
            line = lines[i].rstrip()
            i += 1
            if line.startswith("%"):
                name, _, value = line[1:].partition(" ")
                self.props[name] = value.strip()
                continue
            if not line.strip():
                flush()
                continue
            m = re.match(r"^(#{1,3}) (.*?)(?: \{#(\w+)\})?$", line)
            if m:
                flush()
                if not self.body:
                    self.front_matter()
                self.body.append(self.heading(len(m.group(1)), m.group(2), m.group(3)))
                continue
            if line.startswith("@props "):
                flush()
                pending.append(self.field(" %s " % line[7:].strip()))
                continue
            if line.startswith("@button "):
                flush()
                target, text, tip = [p.strip() for p in line[8:].split("|")]
                # Anchored in a paragraph of its own, so the pages show it on a line of its own.
                self.body.append(self.para(self.button(target, text, tip), extra_ppr=ANCHOR_PPR))
                continue
            if line.startswith("@canvas "):
                flush()
                size, alt = line[8:].split("|", 1)
                w, h = (int(v) for v in size.split())
                items = []
                while not lines[i].startswith("@end"):
                    spec, target, text = [p.strip() for p in lines[i][6:].split("|")]
                    x, y, iw, ih = (int(v) for v in spec.split())
                    items.append((x, y, iw, ih, target, text))
                    i += 1
                i += 1
                self.body.append(self.para(self.canvas(w, h, alt.strip(), items), extra_ppr=ANCHOR_PPR))
                continue
            if line.startswith("!image "):
                flush()
                spec, alt, caption = [p.strip() for p in line[7:].split("|")]
                name, width = spec.split()
                self.body.append(self.para(self.picture(name, int(width), alt), "Figure"))
                self.body.append(self.para(self.run(caption), "Caption"))
                continue
            if line.startswith("- ") or re.match(r"^\d+\. ", line):
                flush()
                numbered = not line.startswith("- ")
                if numbered:
                    self.numbered_lists += 1
                num_id = 1 + self.numbered_lists if numbered else 1
                i -= 1
                while i < len(lines) and (lines[i].startswith("- ") if not numbered else re.match(r"^\d+\. ", lines[i])):
                    item = lines[i].split(" ", 1)[1].strip()
                    numpr = '<w:numPr><w:ilvl w:val="0"/><w:numId w:val="%d"/></w:numPr>' % num_id
                    self.body.append(self.para("".join(pending) + self.inline(item), "ListParagraph", numpr))
                    pending.clear()
                    i += 1
                continue
            if line.startswith("> "):
                flush()
                self.body.append(self.para("".join(pending) + self.inline(line[2:].strip()), "Note"))
                pending.clear()
                continue
            if line.startswith("|"):
                flush()
                rows = []
                i -= 1
                while i < len(lines) and lines[i].startswith("|"):
                    rows.append([c.strip() for c in lines[i].rstrip()[1:].split("|")])
                    i += 1
                self.body.append(self.table(rows))
                continue
            if line.startswith("    "):
                flush()
                self.body.append(self.para(self.run(line[4:]), "Code"))
                continue
            paragraph.append(line.strip())
        flush()
        missing = sorted(self.pending_refs - set(self.bookmarks))
        if missing:
            raise SystemExit("make_sample: links to unknown headings: " + ", ".join(missing))
        if pending:
            raise SystemExit("make_sample: a property field at the end has no paragraph to stand in")

    def front_matter(self):
        self.body.append(self.para(self.run(self.props.get("title", "")), "Title"))
        if self.props.get("subtitle"):
            self.body.append(self.para(self.run(self.props["subtitle"]), "Subtitle"))

    # --- parts ---------------------------------------------------------------------------

    def document_xml(self):
        footer_rid = self.footer_rid
        sect = ('<w:sectPr><w:footerReference w:type="default" r:id="%s"/><w:pgSz w:w="11906" w:h="16838"/>'
                '<w:pgMar w:top="1440" w:right="1440" w:bottom="1440" w:left="1440" w:header="708" w:footer="708" w:gutter="0"/>'
                '<w:cols w:space="708"/><w:docGrid w:linePitch="360"/></w:sectPr>' % footer_rid)
        return (XML_HEAD + '<w:document %s mc:Ignorable="w14 w15 wp14"><w:body>%s%s</w:body></w:document>'
                % (ns_decl(*NS.keys()), "".join(self.body), sect))


STYLES = """<w:styles xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml" mc:Ignorable="w14">
<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Arial" w:hAnsi="Arial" w:eastAsia="Arial" w:cs="Arial"/><w:sz w:val="21"/><w:szCs w:val="21"/><w:lang w:val="en-US" w:eastAsia="en-US" w:bidi="ar-SA"/></w:rPr></w:rPrDefault>
<w:pPrDefault><w:pPr><w:spacing w:after="120" w:line="276" w:lineRule="auto"/></w:pPr></w:pPrDefault></w:docDefaults>
<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/></w:style>
<w:style w:type="paragraph" w:styleId="Heading1"><w:name w:val="heading 1"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:uiPriority w:val="9"/><w:qFormat/>
<w:pPr><w:keepNext/><w:keepLines/><w:pageBreakBefore/><w:pBdr><w:bottom w:val="single" w:sz="8" w:space="4" w:color="2166AC"/></w:pBdr><w:spacing w:before="240" w:after="200"/><w:outlineLvl w:val="0"/></w:pPr>
<w:rPr><w:b/><w:bCs/><w:color w:val="1F4E79"/><w:sz w:val="36"/><w:szCs w:val="36"/></w:rPr></w:style>
<w:style w:type="paragraph" w:styleId="Heading2"><w:name w:val="heading 2"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:uiPriority w:val="9"/><w:unhideWhenUsed/><w:qFormat/>
<w:pPr><w:keepNext/><w:keepLines/><w:spacing w:before="360" w:after="120"/><w:outlineLvl w:val="1"/></w:pPr>
<w:rPr><w:b/><w:bCs/><w:color w:val="2166AC"/><w:sz w:val="28"/><w:szCs w:val="28"/></w:rPr></w:style>
<w:style w:type="paragraph" w:styleId="Heading3"><w:name w:val="heading 3"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:uiPriority w:val="9"/><w:unhideWhenUsed/><w:qFormat/>
<w:pPr><w:keepNext/><w:keepLines/><w:spacing w:before="240" w:after="80"/><w:outlineLvl w:val="2"/></w:pPr>
<w:rPr><w:b/><w:bCs/><w:color w:val="26323F"/><w:sz w:val="23"/><w:szCs w:val="23"/></w:rPr></w:style>
<w:style w:type="paragraph" w:styleId="Title"><w:name w:val="Title"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:uiPriority w:val="10"/><w:qFormat/>
<w:pPr><w:spacing w:before="2400" w:after="240"/></w:pPr><w:rPr><w:b/><w:color w:val="1F4E79"/><w:sz w:val="60"/><w:szCs w:val="60"/></w:rPr></w:style>
<w:style w:type="paragraph" w:styleId="Subtitle"><w:name w:val="Subtitle"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:uiPriority w:val="11"/><w:qFormat/>
<w:rPr><w:color w:val="5A6B7D"/><w:sz w:val="28"/><w:szCs w:val="28"/></w:rPr></w:style>
<w:style w:type="paragraph" w:styleId="Caption"><w:name w:val="caption"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:uiPriority w:val="35"/><w:unhideWhenUsed/><w:qFormat/>
<w:pPr><w:spacing w:after="240"/><w:jc w:val="center"/></w:pPr><w:rPr><w:i/><w:iCs/><w:color w:val="5A6B7D"/><w:sz w:val="18"/><w:szCs w:val="18"/></w:rPr></w:style>
<w:style w:type="paragraph" w:customStyle="1" w:styleId="Figure"><w:name w:val="Figure"/><w:basedOn w:val="Normal"/><w:next w:val="Caption"/><w:qFormat/>
<w:pPr><w:keepNext/><w:spacing w:before="120" w:after="60"/><w:jc w:val="center"/></w:pPr></w:style>
<w:style w:type="paragraph" w:styleId="ListParagraph"><w:name w:val="List Paragraph"/><w:basedOn w:val="Normal"/><w:uiPriority w:val="34"/><w:qFormat/>
<w:pPr><w:spacing w:after="60"/><w:ind w:left="720"/><w:contextualSpacing/></w:pPr></w:style>
<w:style w:type="paragraph" w:customStyle="1" w:styleId="Note"><w:name w:val="Note"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:qFormat/>
<w:pPr><w:pBdr><w:left w:val="single" w:sz="24" w:space="8" w:color="2166AC"/></w:pBdr><w:shd w:val="clear" w:color="auto" w:fill="EAF2FA"/><w:spacing w:before="120" w:after="200"/><w:ind w:left="284" w:right="284"/></w:pPr>
<w:rPr><w:color w:val="26323F"/></w:rPr></w:style>
<w:style w:type="paragraph" w:customStyle="1" w:styleId="Code"><w:name w:val="Code"/><w:basedOn w:val="Normal"/><w:qFormat/>
<w:pPr><w:shd w:val="clear" w:color="auto" w:fill="F3F4F6"/><w:spacing w:before="60" w:after="120" w:line="240" w:lineRule="auto"/><w:ind w:left="284"/></w:pPr>
<w:rPr><w:rFonts w:ascii="Courier New" w:hAnsi="Courier New" w:cs="Courier New"/><w:sz w:val="19"/><w:szCs w:val="19"/></w:rPr></w:style>
<w:style w:type="paragraph" w:customStyle="1" w:styleId="TableText"><w:name w:val="Table Text"/><w:basedOn w:val="Normal"/><w:qFormat/>
<w:pPr><w:spacing w:before="40" w:after="40" w:line="240" w:lineRule="auto"/></w:pPr><w:rPr><w:sz w:val="19"/><w:szCs w:val="19"/></w:rPr></w:style>
<w:style w:type="character" w:default="1" w:styleId="DefaultParagraphFont"><w:name w:val="Default Paragraph Font"/><w:uiPriority w:val="1"/><w:semiHidden/><w:unhideWhenUsed/></w:style>
<w:style w:type="character" w:styleId="Hyperlink"><w:name w:val="Hyperlink"/><w:basedOn w:val="DefaultParagraphFont"/><w:uiPriority w:val="99"/><w:unhideWhenUsed/><w:rPr><w:color w:val="0563C1"/><w:u w:val="single"/></w:rPr></w:style>
<w:style w:type="table" w:default="1" w:styleId="TableNormal"><w:name w:val="Normal Table"/><w:uiPriority w:val="99"/><w:semiHidden/><w:unhideWhenUsed/>
<w:tblPr><w:tblInd w:w="0" w:type="dxa"/><w:tblCellMar><w:top w:w="0" w:type="dxa"/><w:left w:w="108" w:type="dxa"/><w:bottom w:w="0" w:type="dxa"/><w:right w:w="108" w:type="dxa"/></w:tblCellMar></w:tblPr></w:style>
<w:style w:type="table" w:styleId="TableGrid"><w:name w:val="Table Grid"/><w:basedOn w:val="TableNormal"/><w:uiPriority w:val="39"/>
<w:pPr><w:spacing w:after="0" w:line="240" w:lineRule="auto"/></w:pPr>
<w:tblPr><w:tblBorders><w:top w:val="single" w:sz="4" w:space="0" w:color="A6B4C4"/><w:left w:val="single" w:sz="4" w:space="0" w:color="A6B4C4"/><w:bottom w:val="single" w:sz="4" w:space="0" w:color="A6B4C4"/><w:right w:val="single" w:sz="4" w:space="0" w:color="A6B4C4"/><w:insideH w:val="single" w:sz="4" w:space="0" w:color="A6B4C4"/><w:insideV w:val="single" w:sz="4" w:space="0" w:color="A6B4C4"/></w:tblBorders></w:tblPr></w:style>
<w:style w:type="numbering" w:default="1" w:styleId="NoList"><w:name w:val="No List"/><w:uiPriority w:val="99"/><w:semiHidden/><w:unhideWhenUsed/></w:style>
</w:styles>"""


def numbering_xml(numbered_lists):
    bullet = ('<w:abstractNum w:abstractNumId="0"><w:multiLevelType w:val="hybridMultilevel"/>'
              '<w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="bullet"/><w:lvlText w:val="\u2022"/><w:lvlJc w:val="left"/>'
              '<w:pPr><w:ind w:left="720" w:hanging="360"/></w:pPr></w:lvl></w:abstractNum>')
    decimal = ('<w:abstractNum w:abstractNumId="1"><w:multiLevelType w:val="hybridMultilevel"/>'
               '<w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="%1."/><w:lvlJc w:val="left"/>'
               '<w:pPr><w:ind w:left="720" w:hanging="360"/></w:pPr></w:lvl></w:abstractNum>')
    nums = '<w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num>'
    for k in range(numbered_lists):
        nums += ('<w:num w:numId="%d"><w:abstractNumId w:val="1"/><w:lvlOverride w:ilvl="0"><w:startOverride w:val="1"/>'
                 '</w:lvlOverride></w:num>' % (k + 2))
    return XML_HEAD + '<w:numbering %s>%s%s%s</w:numbering>' % (ns_decl("w"), bullet, decimal, nums)


def footer_xml(title):
    d = Document
    return (XML_HEAD + '<w:ftr %s><w:p><w:pPr><w:pStyle w:val="Normal"/><w:tabs><w:tab w:val="right" w:pos="%d"/></w:tabs></w:pPr>%s'
            '<w:r><w:tab/></w:r>%s</w:p></w:ftr>'
            % (ns_decl("w", "r"), TEXT_WIDTH_TWIPS, d.run(title, '<w:color w:val="5A6B7D"/><w:sz w:val="17"/>'),
               d.field(" PAGE ", d.run("1", '<w:color w:val="5A6B7D"/><w:sz w:val="17"/>'))))


SETTINGS = (XML_HEAD + '<w:settings %s><w:zoom w:percent="100"/><w:proofState w:spelling="clean" w:grammar="clean"/>'
            '<w:defaultTabStop w:val="720"/><w:characterSpacingControl w:val="doNotCompress"/>'
            '<w:compat><w:compatSetting w:name="compatibilityMode" w:uri="http://schemas.microsoft.com/office/word" w:val="15"/>'
            '</w:compat><w:themeFontLang w:val="en-US"/><w:decimalSymbol w:val="."/><w:listSeparator w:val=","/></w:settings>'
            % ns_decl("w", "r"))

FONTS = (XML_HEAD + '<w:fonts %s>'
         '<w:font w:name="Arial"><w:panose1 w:val="020B0604020202020204"/><w:charset w:val="00"/><w:family w:val="swiss"/><w:pitch w:val="variable"/></w:font>'
         '<w:font w:name="Courier New"><w:panose1 w:val="02070309020205020404"/><w:charset w:val="00"/><w:family w:val="modern"/><w:pitch w:val="fixed"/></w:font>'
         '<w:font w:name="Times New Roman"><w:panose1 w:val="02020603050405020304"/><w:charset w:val="00"/><w:family w:val="roman"/><w:pitch w:val="variable"/></w:font>'
         '</w:fonts>' % ns_decl("w", "r"))


def core_xml(props):
    when = "%04d-%02d-%02dT%02d:%02d:%02dZ" % FIXED_TIME
    values = {k: escape(props.get(k, "")) for k in ("title", "subject", "creator", "keywords", "description")}
    return (XML_HEAD + '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
            'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" '
            'xmlns:dcmitype="http://purl.org/dc/dcmitype/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
            '<dc:title>{title}</dc:title><dc:subject>{subject}</dc:subject><dc:creator>{creator}</dc:creator>'
            '<cp:keywords>{keywords}</cp:keywords><dc:description>{description}</dc:description>'
            '<cp:lastModifiedBy>{creator}</cp:lastModifiedBy><cp:revision>1</cp:revision>'
            '<dcterms:created xsi:type="dcterms:W3CDTF">{when}</dcterms:created>'
            '<dcterms:modified xsi:type="dcterms:W3CDTF">{when}</dcterms:modified></cp:coreProperties>').format(when=when, **values)


def app_xml(doc):
    words = sum(len(re.sub(r"<[^>]+>", " ", p).split()) for p in doc.body)
    return (XML_HEAD + '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties" '
            'xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes">'
            '<Template>Normal.dotm</Template><TotalTime>0</TotalTime><Words>%d</Words><Application>Tavrel for Word</Application>'
            '<DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop><Company></Company><LinksUpToDate>false</LinksUpToDate>'
            '<SharedDoc>false</SharedDoc><HyperlinksChanged>false</HyperlinksChanged><AppVersion>16.0000</AppVersion></Properties>'
            % words)


CONTENT_TYPES = (XML_HEAD + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                 '<Default Extension="png" ContentType="image/png"/>'
                 '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                 '<Default Extension="xml" ContentType="application/xml"/>'
                 '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
                 '<Override PartName="/word/numbering.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"/>'
                 '<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>'
                 '<Override PartName="/word/settings.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"/>'
                 '<Override PartName="/word/footer1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml"/>'
                 '<Override PartName="/word/fontTable.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml"/>'
                 '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>'
                 '<Override PartName="/docProps/app.xml" ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>'
                 '</Types>')

PACKAGE_RELS = (XML_HEAD + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties" Target="docProps/app.xml"/>'
                '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>'
                '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>'
                '</Relationships>')


def document_rels(doc):
    fixed = [("rId1", REL + "/numbering", "numbering.xml", False), ("rId2", REL + "/styles", "styles.xml", False),
             ("rId3", REL + "/settings", "settings.xml", False), ("rId4", REL + "/fontTable", "fontTable.xml", False)]
    out = []
    for rid, type_, target, external in fixed + doc.rels:
        out.append('<Relationship Id="%s" Type="%s" Target="%s"%s/>'
                   % (rid, type_, attr(target), ' TargetMode="External"' if external else ""))
    return XML_HEAD + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s</Relationships>' % "".join(out)


def build(source_dir, output):
    doc = Document(os.path.join(source_dir, "images"))
    with open(os.path.join(source_dir, "sample.txt"), encoding="utf-8") as f:
        doc.parse(f.read())
    doc.footer_rid = doc.rel(REL + "/footer", "footer1.xml")
    parts = [
        ("[Content_Types].xml", CONTENT_TYPES),
        ("_rels/.rels", PACKAGE_RELS),
        ("word/document.xml", doc.document_xml()),
        ("word/_rels/document.xml.rels", document_rels(doc)),
        ("word/styles.xml", XML_HEAD + STYLES.replace("\n", "")),
        ("word/numbering.xml", numbering_xml(doc.numbered_lists)),
        ("word/settings.xml", SETTINGS),
        ("word/fontTable.xml", FONTS),
        ("word/footer1.xml", footer_xml(doc.props.get("title", ""))),
        ("docProps/core.xml", core_xml(doc.props)),
        ("docProps/app.xml", app_xml(doc)),
    ]
    tmp = output + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        def add(name, data, compress=zipfile.ZIP_DEFLATED):
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = compress
            info.external_attr = 0o644 << 16
            info.create_system = 0
            z.writestr(info, data.encode("utf-8") if isinstance(data, str) else data, compresslevel=9)
        for name, data in parts:
            add(name, data)
        for name, data in doc.media:
            add("word/media/" + name, data, zipfile.ZIP_STORED)  # PNG is compressed already
    os.replace(tmp, output)
    headings = sum(1 for p in doc.body if '<w:pStyle w:val="Heading' in p[:60])
    print("make_sample: %s, %d headings, %d pictures, %d bytes" % (output, headings, len(doc.media), os.path.getsize(output)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "sample", "source")
    output = sys.argv[2] if len(sys.argv) > 2 else os.path.normpath(os.path.join(here, "..", "data", "sample", "sample.docx"))
    build(source, output)


if __name__ == "__main__":
    main()
