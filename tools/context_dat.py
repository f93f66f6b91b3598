#!/usr/bin/python3
"""Writes data/context.dat, the ready-made code pieces of the context file.

    /usr/bin/python3 tools/context_dat.py [OUTPUT]

The file is an INI file in UTF-16 LE with a byte-order mark and CR LF line ends. One section
per programming language, in the order the context dialog lists them. Each has:
  TopCode       the code before the topic lines, CR written as `13 and LF as `10
  CodeTemplate  one line per topic; {%StaticVarName%} is the constant's name (padded with
                blanks to a fixed width), {%ContextID%} its number, {%Tab%} a tab
  BottomCode    the code after the topic lines, escaped like TopCode
The output is committed; edit the presets here and rerun.
"""

import os
import sys

HEADER = "Context numbers of the help topics, written by Tavrel for Word."

PRESETS = [
    ("C#",
     "// " + HEADER + "\r\n"
     "namespace HelpContext\r\n"
     "{\r\n"
     "\tpublic static class HelpTopics\r\n"
     "\t{",
     "{%Tab%}{%Tab%}public const int {%StaticVarName%} = {%ContextID%};",
     "\r\n"
     "\t}\r\n"
     "}"),
    ("VB .NET",
     "' " + HEADER + "\r\n"
     "Namespace HelpContext\r\n"
     "\tPublic Module HelpTopics",
     "{%Tab%}{%Tab%}Public Const {%StaticVarName%} As Integer = {%ContextID%}",
     "\r\n"
     "\tEnd Module\r\n"
     "End Namespace"),
    ("Visual Basic",
     "Attribute VB_Name = \"HelpContext\"\r\n"
     "' " + HEADER + "\r\n"
     "Option Explicit\r\n",
     "Public Const {%StaticVarName%} As Long = {%ContextID%}",
     "\r\n"
     "' End of the context numbers."),
    ("C++",
     "// " + HEADER + "\r\n"
     "#ifndef HELP_CONTEXT_H\r\n"
     "#define HELP_CONTEXT_H\r\n"
     "\r\n"
     "namespace HelpContext {\r\n",
     "const int {%StaticVarName%} = {%ContextID%};",
     "\r\n"
     "} // namespace HelpContext\r\n"
     "\r\n"
     "#endif // HELP_CONTEXT_H"),
    ("Delphi",
     "unit HelpContext;\r\n"
     "\r\n"
     "{ " + HEADER + " }\r\n"
     "\r\n"
     "interface\r\n"
     "\r\n"
     "const",
     "{%Tab%}{%StaticVarName%} = {%ContextID%};",
     "\r\n"
     "implementation\r\n"
     "\r\n"
     "end."),
]


def escape(text):
    return text.replace("\r", "`13").replace("\n", "`10")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "context.dat")
    lines = []
    for name, top, body, bottom in PRESETS:
        # Readers trim values, so no piece may begin or end with a blank: indentation at the
        # start of a body template is written with {%Tab%}.
        for piece in (escape(top), body, escape(bottom)):
            assert piece == piece.strip(" \t"), (name, piece)
        assert "\r" not in body and "\n" not in body
        lines += ["[" + name + "]",
                  "TopCode=" + escape(top),
                  "CodeTemplate=" + body,
                  "BottomCode=" + escape(bottom),
                  ""]
    data = "".join(line + "\r\n" for line in lines)
    with open(out, "wb") as f:
        f.write(b"\xff\xfe" + data.encode("utf-16-le"))


if __name__ == "__main__":
    main()
