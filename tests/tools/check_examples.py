"""What importing each example metafile must put into the DXF, worked out by
hand from the metafiles in examples/metafiles/ (figure placement, rotation
by the figure's angle, hatch angle + 45 degrees) and from setup/acad.lin."""
import math
import os

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def lin_patterns(path):
    """{NAME: [dash, ...]} of an AutoCAD .lin file."""
    out, name = {}, None
    with open(path, encoding="cp1252") as f:
        for line in f:
            line = line.strip()
            if line.startswith("*"):
                name = line[1:].split(",")[0].strip().upper()
            elif name and line[:1] in ("A", "a"):
                out[name] = [float(x) for x in line[1:].split(",") if x.strip()]
                name = None
    return out


def block_entities(doc):
    """Entities of all blocks that are not layouts, by type."""
    found = {}
    for block in doc.blocks:
        for e in block if not block.name.startswith("*") else []:
            found.setdefault(e.dxftype(), []).append(e)
    return found


def close(a, b, tol=1e-6):
    return len(a) == len(b) and all(abs(x - y) <= tol for x, y in zip(a, b))


def check_inserts(doc, want, faults):
    """Model-space insertions as (block, (x, y), rotation), in drawing order."""
    got = [(i.dxf.name, tuple(i.dxf.insert)[:2], i.dxf.rotation)
           for i in doc.modelspace().query("INSERT")]
    if len(got) != len(want) or not all(g[0] == w[0] and close(g[1], w[1]) and abs(g[2] - w[2])
                                        < 1e-9 for g, w in zip(got, want)):
        faults.append("insertions %s, expected %s" % (got, want))


def check_common(doc, faults):
    # Every linetype the import loaded carries the dash pattern of acad.lin.
    patterns = lin_patterns(os.path.join(SOURCE, "setup", "acad.lin"))
    for lt in doc.linetypes:
        name = lt.dxf.name.upper()
        got, want = [t.value for t in lt.pattern_tags.tags if t.code == 49], patterns.get(name)
        if name not in ("BYLAYER", "BYBLOCK", "CONTINUOUS") and \
                (want is None or not close(got, want)):
            faults.append("linetype %s: pattern %s, acad.lin has %s" % (name, got, want))
    # Hatch boundary objects lie in the hatch's own block.
    for block in doc.blocks:
        handles = {e.dxf.handle for e in block}
        for e in block.query("HATCH"):
            for h in [h for p in e.paths for h in p.source_boundary_objects if h not in handles]:
                faults.append("hatch %s: boundary %s not in block %s" % (e.dxf.handle, h, block.name))


def check_bracket(doc, faults):
    check_inserts(doc, [("Bracket_40x60", (120.5, 80), 0)], faults)
    e = block_entities(doc)
    counts = {t: len(v) for t, v in e.items()}
    if counts != {"LINE": 6, "ARC": 1, "CIRCLE": 2, "MTEXT": 1, "HATCH": 1}:
        return faults.append("block content %s" % counts)
    arc = e["ARC"][0].dxf
    if not close((*arc.center, arc.radius), (40, 30, 0, 20), 1e-3) or not close(
            (arc.start_angle, arc.end_angle), (0, 90), 1e-2):
        faults.append("arc %s r %s from %s to %s" % (arc.center, arc.radius, arc.start_angle,
                                                     arc.end_angle))
    if not close(sorted(c.dxf.radius for c in e["CIRCLE"]), [4.25, 6.5]):
        faults.append("circle radii %s" % [c.dxf.radius for c in e["CIRCLE"]])
    hatch = e["HATCH"][0]
    if not close((hatch.dxf.pattern_angle, hatch.pattern.lines[0].angle), (90, 90), 1e-9):
        faults.append("hatch angle %s, expected 45 + 45" % hatch.dxf.pattern_angle)
    if len(hatch.paths.paths[0].source_boundary_objects) != 5:
        faults.append("hatch boundary objects %s" % hatch.paths.paths[0].source_boundary_objects)
    if e["MTEXT"][0].text != "Bracket\\PDIN 4x M6":
        faults.append("text %r" % e["MTEXT"][0].text)


def check_shaft(doc, faults):
    check_inserts(doc, [("Shaft_d25_L120", (0, 0), 0)], faults)
    e = block_entities(doc)
    counts = {t: len(v) for t, v in e.items()}
    if counts != {"LINE": 9, "ELLIPSE": 2, "CIRCLE": 1, "MTEXT": 1, "HATCH": 1}:
        return faults.append("block content %s" % counts)
    front, side = sorted(e["ELLIPSE"], key=lambda x: x.dxf.center[0])
    # Front view: an elliptic arc at 90 degrees, hidden; side view turned by 90.
    if not close(front.dxf.major_axis, (0, 4, 0)) or not close(
            (front.dxf.start_param, front.dxf.end_param), (0, math.pi)) \
            or front.dxf.linetype != "Verdeckt":
        faults.append("front ellipse %s %s" % (front.dxf.major_axis, front.dxf.linetype))
    a = math.radians(120)
    if not close(side.dxf.center, (160, 0, 0)) or not close(
            side.dxf.major_axis, (6 * math.cos(a), 6 * math.sin(a), 0)):
        faults.append("side ellipse %s %s" % (side.dxf.center, side.dxf.major_axis))
    text = e["MTEXT"][0]
    if text.text != "A-A" or not close(text.dxf.insert, (180, 0, 0)) \
            or abs(text.get_rotation() - 90) > 1e-4:
        faults.append("text %r at %s rotated %s" % (text.text, text.dxf.insert, text.get_rotation()))
    if abs(e["HATCH"][0].dxf.pattern_angle - 180) > 1e-9:
        faults.append("hatch angle %s, expected 135 + 45" % e["HATCH"][0].dxf.pattern_angle)


def check_import_parts(doc, faults):
    # examples/scripts/import_parts.scr: the insertion points and angles typed
    # at the prompts (hidden_section is loose: its entities, no insertion; the
    # angle of hatched_flange, -30, comes back as 330; the last part's angle
    # prompt gets Enter).
    check_inserts(doc, [("Musterteil_alle_Formen", (0, 0), 0),
                        ("Lagerbock_LB_40_Zusammenste", (300, 0), 90),
                        ("Flansch_DN50_PN16_Schnitt", (0, 150), 330), ("Schriftfeld", (150, 150), 0),
                        ("Musterteil_alle_Formen0", (0, -150), 0)], faults)
    loose = sorted(e.dxftype() for e in doc.modelspace() if e.dxftype() != "INSERT")
    if loose != ["CIRCLE", "CIRCLE", "LINE", "LINE"]:
        faults.append("loose entities %s" % loose)
    if doc.blocks.get("Musterteil_alle_Formen") is None:
        faults.append("block Musterteil_alle_Formen missing")


def check_catalogue(doc, faults):
    # tests/tools/catalogue.scr: the parts' insertions as typed at the prompts;
    # the 3D part is a block MOXISOL holding one solid whose SAT text decodes
    # to a complete ACIS file.
    check_inserts(doc, [("ISO_4762_M10x40", (0, 0), 0), ("MOXISOL", (100, 0), 0),
                        ("Welle_20_30_25x120", (0, 100), 0),
                        ("Rillenkugellager_6205", (200, 100), 45)], faults)
    block = doc.blocks.get("MOXISOL")
    solids = list(block.query("3DSOLID")) if block is not None else []
    if len(solids) != 1:
        return faults.append("%d solids in MOXISOL" % len(solids))
    sat = solids[0].sat
    if len(sat) < 4 or not sat[0].split()[0].isdigit() or sat[-1] != "End-of-ACIS-data" \
            or not any(line.startswith("body ") for line in sat):
        faults.append("SAT text does not decode: %s" % sat[:3])


def check_spine(doc, faults):
    # examples/scripts/spine.scr ends with SETVAR MEASUREMENT 0: an imperial
    # drawing in inches on a letter-sized sheet.
    units = [doc.header.get(v) for v in ("$MEASUREMENT", "$INSUNITS")]
    if units != [0, 1] or not close(tuple(doc.header.get("$LIMMAX"))[:2], (12, 9)):
        faults.append("units %s, limits %s" % (units, doc.header.get("$LIMMAX")))


EXPECTED = {"bracket_figure": check_bracket, "shaft_drawing": check_shaft,
            "import_parts": check_import_parts, "catalogue": check_catalogue,
            "spine": check_spine}


def check(name, doc):
    """Faults found in the drawing imported from example `name`."""
    faults = []
    check_common(doc, faults)
    if name in EXPECTED:
        EXPECTED[name](doc, faults)
    return faults
