#!/usr/bin/env python3
"""Turns the dialogs and the string table of Vennox.rc into C++ data.

    rc-templates.py VENNOX.RC RESOURCE.H OUTPUT.CPP

The resource script is the one description of the dialogs: Windows compiles
it into the exe, and the Qt program lays its windows out from the table this
writes. Only the subset of the script language that Vennox.rc uses is read
(every control a CONTROL statement on one line); anything else in a DIALOG
or STRINGTABLE block stops the build with the line it could not read.
"""

import re
import sys

# Control styles the table has a bit for; the others a control may carry
# without changing what the table says of it.
CONTROL_BITS = {
    "WS_TABSTOP": "kTabStop",
    "WS_GROUP": "kGroup",
    "WS_DISABLED": "kDisabled",
    "WS_BORDER": "kBorder",
    "ES_AUTOHSCROLL": "kAutoHScroll",
    "ES_PASSWORD": "kPassword",
    "ES_READONLY": "kReadOnly",
    "ES_LOWERCASE": "kLowercase",
    "SS_NOPREFIX": "kNoPrefix",
}
NEUTRAL_STYLES = {"ES_LEFT", "SS_LEFT", "SS_ICON"}
# Window class and the style that makes the kind.
KINDS = {
    ("Edit", None): "Edit",
    ("Button", "BS_PUSHBUTTON"): "PushButton",
    ("Button", "BS_DEFPUSHBUTTON"): "DefPushButton",
    ("Button", "BS_AUTORADIOBUTTON"): "AutoRadioButton",
    ("Button", "BS_AUTOCHECKBOX"): "AutoCheckBox",
    ("Button", "BS_GROUPBOX"): "GroupBox",
    ("Static", "SS_LEFT"): "Text",
    ("Static", "SS_ICON"): "Icon",
}
DIALOG_BITS = {
    "WS_POPUP": "kDlgPopup",
    "WS_CAPTION": "kDlgCaption",
    "WS_SYSMENU": "kDlgSysMenu",
    "DS_MODALFRAME": "kDlgModalFrame",
    "WS_MINIMIZEBOX": "kDlgMinimizeBox",
    "WS_VISIBLE": "kDlgVisible",
}

TOKEN = re.compile(r'\s*(?:("(?:[^"]|"")*")|(-?\d+)|([A-Za-z_]\w*)|(//.*)|(.))')


class ScriptError(Exception):
    pass


def tokens(line):
    out = []
    pos = 0
    while pos < len(line):
        m = TOKEN.match(line, pos)
        if not m or m.end() == pos:
            break
        pos = m.end()
        string, number, word, comment, punct = m.groups()
        if comment is not None:
            break
        if string is not None:
            out.append(("string", string[1:-1].replace('""', '"')))
        elif number is not None:
            out.append(("number", int(number)))
        elif word is not None:
            out.append(("word", word))
        elif punct is not None and not punct.isspace():
            out.append(("punct", punct))
    return out


def split_commas(toks):
    fields, current = [], []
    for tok in toks:
        if tok == ("punct", ","):
            fields.append(current)
            current = []
        else:
            current.append(tok)
    fields.append(current)
    return fields


def flags(field):
    names = [value for kind, value in field if kind == "word"]
    if [tok for tok in field if tok not in [("word", n) for n in names] + [("punct", "|")]]:
        raise ScriptError("not a list of styles")
    return names


def number(field, defines):
    if len(field) == 1 and field[0][0] == "number":
        return field[0][1]
    if len(field) == 1 and field[0][0] == "word" and field[0][1] in defines:
        return defines[field[0][1]]
    raise ScriptError("not a number")


def cpp_string(text):
    out = '"'
    for ch in text.encode("latin-1"):
        if ch in (0x22, 0x5C):
            out += "\\" + chr(ch)
        elif 0x20 <= ch < 0x7F:
            out += chr(ch)
        else:
            out += "\\%03o" % ch
    return out + '"'


def read_defines(path):
    defines = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            m = re.match(r"\s*#define\s+(\w+)\s+\(?(-?(?:0x[0-9A-Fa-f]+|\d+))\)?\s*$", line)
            if m:
                defines[m.group(1)] = int(m.group(2), 0)
    return defines


def parse_control(toks, defines):
    if not toks or toks[0] != ("word", "CONTROL"):
        raise ScriptError("expected a CONTROL statement")
    fields = split_commas(toks[1:])
    if len(fields) != 8:
        raise ScriptError("a CONTROL statement has eight fields")
    text_field, id_field, class_field, style_field = fields[:4]
    if len(text_field) != 1:
        raise ScriptError("bad control text")
    kind_of_text, text = text_field[0]
    if kind_of_text != "string":
        text = "#%d" % number(text_field, defines)  # an icon's resource id
    if len(id_field) != 1 or id_field[0][0] not in ("word", "number"):
        raise ScriptError("bad control id")
    control_id = id_field[0][1]
    if len(class_field) != 1 or class_field[0][0] != "string":
        raise ScriptError("bad window class")
    window_class = class_field[0][1]
    styles = flags(style_field)
    kinds = [KINDS[(window_class, s)] for s in styles if (window_class, s) in KINDS]
    if (window_class, None) in KINDS:
        kinds.append(KINDS[(window_class, None)])
    if len(kinds) != 1:
        raise ScriptError("no single kind of control in %s %s" % (window_class, styles))
    bits = []
    for s in styles:
        if s in CONTROL_BITS:
            bits.append(CONTROL_BITS[s])
        elif (window_class, s) not in KINDS and s not in NEUTRAL_STYLES:
            raise ScriptError("style %s is not in the table's terms" % s)
    if (kinds[0] == "Icon") != (kind_of_text != "string"):
        raise ScriptError("only an icon names a resource instead of a text")
    rect = [number(f, defines) for f in fields[4:]]
    return {"id": control_id, "kind": kinds[0], "text": text, "rect": rect, "bits": bits}


def parse(path, defines):
    dialogs, strings = [], []
    with open(path, encoding="latin-1") as f:
        lines = f.read().splitlines()
    block = None  # ("dialog", dict) or ("strings", None)
    in_body = False
    for number_, line in enumerate(lines, 1):
        toks = tokens(line)
        if not toks or toks[0] == ("punct", "#"):
            continue
        try:
            if block is None:
                if len(toks) >= 2 and toks[1] == ("word", "DIALOG"):
                    fields = split_commas(toks[2:])
                    dialog = {
                        "id": toks[0][1],
                        "rect": [number(f, defines) for f in fields],
                        "bits": [],
                        "caption": "",
                        "font": None,
                        "controls": [],
                    }
                    if len(dialog["rect"]) != 4:
                        raise ScriptError("a DIALOG has four numbers")
                    dialogs.append(dialog)
                    block, in_body = ("dialog", dialog), False
                elif toks == [("word", "STRINGTABLE")]:
                    block, in_body = ("strings", None), False
                continue
            kind, dialog = block
            if toks == [("word", "BEGIN")] and not in_body:
                in_body = True
            elif toks == [("word", "END")] and in_body:
                block = None
            elif kind == "strings" and in_body:
                if len(toks) != 2 or toks[1][0] != "string":
                    raise ScriptError("expected ID \"text\"")
                strings.append((toks[0][1], toks[1][1]))
            elif kind == "dialog" and in_body:
                dialog["controls"].append(parse_control(toks, defines))
            elif toks[0] == ("word", "STYLE"):
                for s in flags(toks[1:]):
                    if s in DIALOG_BITS:
                        dialog["bits"].append(DIALOG_BITS[s])
                    elif s != "DS_SETFONT":
                        raise ScriptError("dialog style %s is not in the table's terms" % s)
            elif toks[0] == ("word", "CAPTION") and len(toks) == 2 and toks[1][0] == "string":
                dialog["caption"] = toks[1][1]
            elif toks[0] == ("word", "FONT"):
                size, name = split_commas(toks[1:])
                dialog["font"] = (number(size, defines), name[0][1])
            else:
                raise ScriptError("cannot read this line")
        except (ScriptError, IndexError, ValueError) as e:
            raise SystemExit("%s:%d: %s\n    %s" % (path, number_, e, line.strip()))
    if block is not None:
        raise SystemExit("%s: a block has no END" % path)
    for dialog in dialogs:
        if dialog["font"] is None:
            raise SystemExit("%s: dialog %s has no FONT" % (path, dialog["id"]))
    return dialogs, strings


def emit(dialogs, strings, rc_name):
    out = ["// Generated from %s by rc-templates.py: edit the resource script." % rc_name,
           '#include "ui/res/DialogTemplates.h"',
           '#include "ui/res/resource.h"',
           "",
           "namespace {",
           ""]
    for dialog in dialogs:
        out.append("constexpr ControlTemplate k%sControls[] = {" % dialog["id"])
        for c in dialog["controls"]:
            out.append("    {%s, ControlKind::%s, %s, %s, %s}," % (
                c["id"], c["kind"], cpp_string(c["text"]),
                ", ".join(str(v) for v in c["rect"]), " | ".join(c["bits"]) or "0"))
        out.append("};")
        out.append("")
    out.append("} // namespace")
    out.append("")
    out.append("const DialogTemplate kDialogTemplates[] = {")
    for d in dialogs:
        out.append("    {%s, %s, %s, %s, %d, %s, k%sControls}," % (
            d["id"], cpp_string(d["caption"]), ", ".join(str(v) for v in d["rect"]),
            cpp_string(d["font"][1]), d["font"][0], " | ".join(d["bits"]) or "0", d["id"]))
    out.append("};")
    out.append("const std::size_t kDialogTemplateCount = %d;" % len(dialogs))
    out.append("")
    out.append("const ResourceString kResourceStrings[] = {")
    for sid, text in strings:
        out.append("    {%s, %s}," % (sid, cpp_string(text)))
    out.append("};")
    out.append("const std::size_t kResourceStringCount = %d;" % len(strings))
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    rc, resource_h, output = sys.argv[1:]
    dialogs, strings = parse(rc, read_defines(resource_h))
    with open(output, "w", encoding="latin-1") as f:
        f.write(emit(dialogs, strings, "Vennox.rc"))


if __name__ == "__main__":
    main()
