#!/usr/bin/python3
"""Checks DXF files as drafthost writes them.

ezdxf must load each file and its audit must find neither errors nor fixes.
Since ezdxf quietly rebuilds missing tables, dictionaries and handles, the
file's structure is also checked here from its raw groups: the six sections,
the tables release 2000 needs, unique handles, owner and pointer handles that
name existing objects, INSERTs of defined blocks, defined layers and linetypes.

    dxfcheck.py FILE.dxf...            exit status 1 on the first fault
"""
import sys

SECTIONS = ["HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS"]
TABLES = ["VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"]
POINTER_CODES = {330, 340, 350, 360, 390}


class DxfFault(Exception):
    pass


def read_pairs(path):
    """The (code, value) pairs of an ASCII DXF file; values as Windows-1252 text."""
    with open(path, "rb") as f:
        lines = f.read().decode("cp1252").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) % 2:
        raise DxfFault("odd number of lines")
    try:
        return [(int(lines[i]), lines[i + 1].rstrip("\r")) for i in range(0, len(lines), 2)]
    except ValueError as e:
        raise DxfFault("a group code is not a number: %s" % e)


def split_objects(pairs):
    """[(section, table, [(code, value), ...])] per code-0 object."""
    objects, section, table, current = [], None, None, None
    for code, value in pairs:
        if code == 0:
            current = [(code, value)]
            objects.append((section, table, current))
            section = None if value == "ENDSEC" else section
            table = None if value == "ENDTAB" else table
        elif current is None:
            raise DxfFault("groups before the first object")
        else:
            if code == 2 and len(current) == 1 and current[0][1] == "SECTION":
                section = value
            elif code == 2 and len(current) == 1 and current[0][1] == "TABLE":
                table = value
            current.append((code, value))
    return objects


def first(obj, code, default=None):
    return next((v for c, v in obj if c == code), default)


def owner_after_reactors(obj):
    """The owner handle: the first 330 outside a {ACAD_REACTORS ... } group."""
    inside = False
    for code, value in obj:
        if code == 102:
            inside = value.startswith("{")
        elif code == 330 and not inside:
            return value
    return None


def check_structure(path):
    pairs = read_pairs(path)
    if pairs[-1] != (0, "EOF"):
        raise DxfFault("the file does not end with EOF")
    objects = split_objects(pairs)
    sections = [first(o, 2) for s, t, o in objects if o[0][1] == "SECTION"]
    if sections != SECTIONS:
        raise DxfFault("sections %s, expected %s" % (sections, SECTIONS))

    header, name = {}, None
    for code, value in next(o for s, t, o in objects if o[0][1] == "SECTION")[2:]:
        if code == 9:
            name = value
        elif name not in header:
            header[name] = value
    for var, want in (("$ACADVER", "AC1015"), ("$DWGCODEPAGE", "ANSI_1252")):
        if header.get(var) != want:
            raise DxfFault("%s is %r" % (var, header.get(var)))
    if {"1": "4", "0": "1"}.get(header.get("$MEASUREMENT"), "?") != header.get("$INSUNITS"):
        raise DxfFault("$INSUNITS %r does not fit $MEASUREMENT %r"
                       % (header.get("$INSUNITS"), header.get("$MEASUREMENT")))

    handles = {}
    for s, t, o in objects:
        kind = o[0][1]
        if kind in ("SECTION", "ENDSEC", "ENDTAB", "EOF", "CLASS"):
            continue
        h = first(o, 105 if kind == "DIMSTYLE" else 5)
        if h is None:
            raise DxfFault("%s in %s has no handle" % (kind, s))
        if h.upper() in handles:
            raise DxfFault("handle %s used twice" % h)
        handles[h.upper()] = o
    if any(int(h, 16) >= int(header.get("$HANDSEED", "0"), 16) for h in handles):
        raise DxfFault("$HANDSEED %s is not above every handle" % header.get("$HANDSEED"))

    tables = {first(o, 2): [] for s, t, o in objects if s == "TABLES" and o[0][1] == "TABLE"}
    for s, t, o in objects:
        if s == "TABLES" and t and o[0][1] == t:
            tables[t].append(o)
    missing = [name for name in TABLES if name not in tables]
    if missing:
        raise DxfFault("tables %s are missing" % missing)
    names = {t: {first(o, 2).upper() for o in tables[t]} for t in TABLES}
    layers, linetypes, records = names["LAYER"], names["LTYPE"], names["BLOCK_RECORD"]
    if not {"BYLAYER", "BYBLOCK", "CONTINUOUS"} <= linetypes:
        raise DxfFault("linetypes %s lack BYLAYER, BYBLOCK or CONTINUOUS" % sorted(linetypes))
    for o in tables["LAYER"]:
        if first(o, 6, "CONTINUOUS").upper() not in linetypes:
            raise DxfFault("layer %s has an undefined linetype" % first(o, 2))
    if not {"*MODEL_SPACE", "*PAPER_SPACE"} <= records:
        raise DxfFault("block records %s lack a layout" % sorted(records))
    blocks = {first(o, 2).upper() for s, t, o in objects if s == "BLOCKS" and o[0][1] == "BLOCK"}
    if blocks != records:
        raise DxfFault("blocks %s do not match block records %s" % (sorted(blocks), sorted(records)))

    for s, t, o in objects:
        kind, what = o[0][1], "%s %s" % (o[0][1], first(o, 5))
        for code, value in o:
            if code in POINTER_CODES and value != "0" and value.upper() not in handles:
                raise DxfFault("%s: group %d names no object (%s)" % (what, code, value))
        if s not in ("ENTITIES", "BLOCKS") or kind == "ENDSEC":
            continue
        if (100, "AcDbEntity") not in o:
            raise DxfFault("%s lacks the AcDbEntity marker" % what)
        if (owner_after_reactors(o) or "?").upper() not in handles:
            raise DxfFault("%s has no owner" % what)
        if first(o, 8, "0").upper() not in layers:
            raise DxfFault("%s is on undefined layer %s" % (what, first(o, 8)))
        if first(o, 6, "BYLAYER").upper() not in linetypes:
            raise DxfFault("%s has undefined linetype %s" % (what, first(o, 6)))
        if kind == "INSERT" and first(o, 2, "").upper() not in blocks:
            raise DxfFault("%s names undefined block %s" % (what, first(o, 2)))
    return header


def check_ezdxf(path):
    import ezdxf
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    if auditor.has_errors or auditor.has_fixes:
        messages = [str(e.message) for e in auditor.errors] + [str(f.message) for f in auditor.fixes]
        raise DxfFault("ezdxf audit: " + "; ".join(messages))
    return doc


def check_file(path):
    check_structure(path)
    return check_ezdxf(path)


def main(argv):
    if len(argv) < 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(argv) >= 2 else 2
    for path in argv[1:]:
        try:
            doc = check_file(path)
        except (DxfFault, OSError) as e:
            print("%s: %s" % (path, e))
            return 1
        print("%s: ok (%d entities)" % (path, len(doc.modelspace())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
