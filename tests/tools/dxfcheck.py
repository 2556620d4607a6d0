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
        data = f.read()
    lines = data.decode("cp1252").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) % 2:
        raise DxfFault("odd number of lines")
    pairs = []
    for i in range(0, len(lines), 2):
        code = lines[i].rstrip("\r").strip()
        try:
            pairs.append((int(code), lines[i + 1].rstrip("\r")))
        except ValueError:
            raise DxfFault("line %d: group code %r is not a number" % (i + 1, code))
    return pairs


def split_objects(pairs):
    """[(section, table, [(code, value), ...])] per code-0 object."""
    objects, section, table, current = [], None, None, None
    expect_name = False
    for code, value in pairs:
        if code == 0:
            current = [(code, value)]
            objects.append((section, table, current))
            if value == "ENDSEC":
                section = None
            elif value == "ENDTAB":
                table = None
            expect_name = value in ("SECTION", "TABLE")
            continue
        if current is None:
            raise DxfFault("groups before the first object")
        current.append((code, value))
        if expect_name and code == 2:
            if current[0][1] == "SECTION":
                section = value
            else:
                table = value
            expect_name = False
    return objects


def first(obj, code, default=None):
    for c, v in obj:
        if c == code:
            return v
    return default


def check_structure(path):
    pairs = read_pairs(path)
    if pairs[-1] != (0, "EOF"):
        raise DxfFault("the file does not end with EOF")
    objects = split_objects(pairs)
    sections = [first(o, 2) for s, t, o in objects if o[0][1] == "SECTION"]
    if sections != SECTIONS:
        raise DxfFault("sections %s, expected %s" % (sections, SECTIONS))

    header = {}
    hdr = next(o for s, t, o in objects if o[0][1] == "SECTION" and first(o, 2) == "HEADER")
    name = None
    for code, value in hdr[2:]:
        if code == 9:
            name = value
        elif name and name not in header:
            header[name] = value
    if header.get("$ACADVER") != "AC1015":
        raise DxfFault("$ACADVER is %r" % header.get("$ACADVER"))
    if header.get("$DWGCODEPAGE") != "ANSI_1252":
        raise DxfFault("$DWGCODEPAGE is %r" % header.get("$DWGCODEPAGE"))
    units = {"1": "4", "0": "1"}.get(header.get("$MEASUREMENT"))
    if units is None or header.get("$INSUNITS") != units:
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
        handles[h.upper()] = (kind, o)
    seed = int(header.get("$HANDSEED", "0"), 16)
    if any(int(h, 16) >= seed for h in handles):
        raise DxfFault("$HANDSEED %s is not above every handle" % header.get("$HANDSEED"))

    tables = {}
    for s, t, o in objects:
        if s == "TABLES" and o[0][1] == "TABLE":
            tables[first(o, 2)] = []
        elif s == "TABLES" and t and o[0][1] == t:
            tables[t].append(o)
    for name in TABLES:
        if name not in tables:
            raise DxfFault("table %s is missing" % name)
    layers = {first(o, 2).upper() for o in tables["LAYER"]}
    linetypes = {first(o, 2).upper() for o in tables["LTYPE"]}
    for name in ("BYLAYER", "BYBLOCK", "CONTINUOUS"):
        if name not in linetypes:
            raise DxfFault("linetype %s is missing" % name)
    for o in tables["LAYER"]:
        if first(o, 6, "CONTINUOUS").upper() not in linetypes:
            raise DxfFault("layer %s has an undefined linetype" % first(o, 2))
    records = {first(o, 2).upper() for o in tables["BLOCK_RECORD"]}
    for name in ("*MODEL_SPACE", "*PAPER_SPACE"):
        if name not in records:
            raise DxfFault("block record %s is missing" % name)
    blocks = {first(o, 2).upper() for s, t, o in objects if s == "BLOCKS" and o[0][1] == "BLOCK"}
    if blocks != records:
        raise DxfFault("blocks %s do not match block records %s" % (sorted(blocks), sorted(records)))

    for s, t, o in objects:
        kind = o[0][1]
        for code, value in o:
            if code in POINTER_CODES and value != "0" and value.upper() not in handles:
                raise DxfFault("%s %s: group %d names no object (%s)"
                               % (kind, first(o, 5), code, value))
        if s in ("ENTITIES", "BLOCKS") and kind != "ENDSEC":
            if (100, "AcDbEntity") not in o:
                raise DxfFault("%s %s lacks the AcDbEntity marker" % (kind, first(o, 5)))
            owner = first(o, 330) if first(o, 102) is None else owner_after_reactors(o)
            if owner is None or owner.upper() not in handles:
                raise DxfFault("%s %s has no owner" % (kind, first(o, 5)))
            if first(o, 8, "0").upper() not in layers:
                raise DxfFault("%s %s is on undefined layer %s" % (kind, first(o, 5), first(o, 8)))
            lt = first(o, 6)
            if lt is not None and lt.upper() not in linetypes:
                raise DxfFault("%s %s has undefined linetype %s" % (kind, first(o, 5), lt))
            if kind == "INSERT" and first(o, 2, "").upper() not in blocks:
                raise DxfFault("INSERT %s names undefined block %s" % (first(o, 5), first(o, 2)))
    return header


def owner_after_reactors(obj):
    """The owner handle of an object whose 330 groups start with reactors."""
    inside = False
    for code, value in obj:
        if code == 102:
            inside = value.startswith("{")
        elif code == 330 and not inside:
            return value
    return None


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
