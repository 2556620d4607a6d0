#!/usr/bin/python3
"""Checks the drawing dxf_sample writes: structure, ezdxf audit, and every
entity, layer, linetype, colour, block and insert against the values the
sample program used (radians there, degrees here where DXF wants them).

    check_sample.py SAMPLE.dxf [--imperial]
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dxfcheck  # noqa: E402

faults = []


def expect(what, got, want, tol=1e-9):
    if isinstance(want, (int, float)) and not isinstance(want, bool):
        ok = got is not None and abs(got - want) <= tol
    elif isinstance(want, tuple) and all(isinstance(w, (int, float)) for w in want):
        ok = got is not None and len(got) >= len(want) and all(
            abs(g - w) <= tol for g, w in zip(got, want))
    else:
        ok = got == want
    if not ok:
        faults.append("%s: got %r, want %r" % (what, got, want))


def main(path, imperial):
    header = dxfcheck.check_structure(path)
    doc = dxfcheck.check_ezdxf(path)
    expect("$INSUNITS", header["$INSUNITS"], "1" if imperial else "4")
    expect("insunits", doc.header["$INSUNITS"], 1 if imperial else 4)

    kontur = doc.layers.get("Kontur")
    expect("layer Kontur colour", kontur.dxf.color, 1)
    expect("layer Kontur linetype", kontur.dxf.linetype, "DASHED")
    for name in ("0", "Bohrung", "Text", "Schraffur"):
        expect("layer %s exists" % name, doc.layers.has_entry(name), True)

    # Dash patterns as the .lin file gives them.
    pairs = dxfcheck.read_pairs(path)
    objects = dxfcheck.split_objects(pairs)
    ltypes = {dxfcheck.first(o, 2): o for s, t, o in objects if o[0][1] == "LTYPE"}
    for name, pattern in (("DASHED", [12.7, -6.35]), ("CENTER", [31.75, -6.35, 6.35, -6.35])):
        o = ltypes.get(name)
        if o is None:
            faults.append("linetype %s missing" % name)
            continue
        expect(name + " 73", int(dxfcheck.first(o, 73)), len(pattern))
        expect(name + " 40", float(dxfcheck.first(o, 40)), sum(abs(d) for d in pattern))
        expect(name + " dashes", [float(v) for c, v in o if c == 49], pattern)

    msp = doc.modelspace()
    by_type = {}
    for e in msp:
        by_type.setdefault(e.dxftype(), []).append(e)
    expect("model-space types", sorted(by_type),
           sorted(["LINE", "ARC", "CIRCLE", "ELLIPSE", "MTEXT", "POLYLINE", "HATCH", "INSERT",
                   "3DSOLID"]))

    line = by_type["LINE"][0]
    expect("LINE start", tuple(line.dxf.start), (0, 0, 0))
    expect("LINE end", tuple(line.dxf.end), (100, 0, 0))
    expect("LINE layer", line.dxf.layer, "Kontur")
    expect("LINE colour", line.dxf.color, 3)

    arc = by_type["ARC"][0]
    expect("ARC centre", tuple(arc.dxf.center), (50, 25, 0))
    expect("ARC radius", arc.dxf.radius, 20)
    expect("ARC start", arc.dxf.start_angle, 30, 1e-9)
    expect("ARC end", arc.dxf.end_angle, 90, 1e-9)
    expect("ARC linetype", arc.dxf.linetype, "CENTER")

    circle = by_type["CIRCLE"][0]
    expect("CIRCLE centre", tuple(circle.dxf.center), (20, 20, 0))
    expect("CIRCLE radius/layer", (circle.dxf.radius, circle.dxf.layer), (5.0, "Bohrung"))

    ellipse = by_type["ELLIPSE"][0]
    expect("ELLIPSE centre", tuple(ellipse.dxf.center), (70, 20, 0))
    expect("ELLIPSE axis", tuple(ellipse.dxf.major_axis), (10, 0, 0))
    expect("ELLIPSE ratio", ellipse.dxf.ratio, 0.5)
    expect("ELLIPSE params", (ellipse.dxf.start_param, ellipse.dxf.end_param), (0, math.pi))

    texts = sorted(by_type["MTEXT"], key=lambda t: t.dxf.insert[1])
    expect("MTEXT text", texts[0].text, "Welle \u00d820\\Pzweite Zeile")
    expect("MTEXT insert", tuple(texts[0].dxf.insert), (5, 45, 0))
    expect("MTEXT height", texts[0].dxf.char_height, 3.5)
    expect("MTEXT rotation", texts[0].get_rotation(), 1.5707963 * 180 / math.pi, 1e-6)
    expect("MTEXT attachment", texts[0].dxf.attachment_point, 1)
    expect("long MTEXT", texts[1].text, "x" * 260 + "END")
    expect("long MTEXT attachment", texts[1].dxf.attachment_point, 7)

    poly = by_type["POLYLINE"][0]
    expect("POLYLINE closed", poly.is_closed, True)
    verts = list(poly.vertices)
    expect("POLYLINE vertices", [tuple(v.dxf.location)[:2] for v in verts],
           [(110, 0), (130, 0), (130, 20), (110, 20)])
    expect("POLYLINE bulge", verts[1].dxf.bulge, 0.41421356237309503)

    hatch = by_type["HATCH"][0]
    expect("HATCH layer/colour", (hatch.dxf.layer, hatch.dxf.color), ("Schraffur", 5))
    expect("HATCH associative", hatch.dxf.associative, 1)
    expect("HATCH pattern angle", hatch.dxf.pattern_angle, 45, 1e-9)
    expect("HATCH pattern scale", hatch.dxf.pattern_scale, 2.0)
    path_ = hatch.paths.paths[0]
    edge = path_.edges[0]
    expect("HATCH edge", (edge.EDGE_TYPE, edge.radius), ("ArcEdge", 5))
    expect("HATCH edge centre", tuple(edge.center), (20, 20))
    expect("HATCH edge angles", (edge.start_angle, edge.end_angle), (0, 360), 1e-9)
    expect("HATCH boundary object", path_.source_boundary_objects, [circle.dxf.handle])
    line0 = hatch.pattern.lines[0]
    expect("HATCH pattern line angle", line0.angle, 45, 1e-9)
    expect("HATCH pattern offset", tuple(line0.offset), (-1.4142135623730951, 1.4142135623730951))
    expect("HATCH seeds", [tuple(p) for p in hatch.seeds], [(0, 0)])

    block = doc.blocks.get("SCHRAUBE")
    expect("block SCHRAUBE", block is not None, True)
    if block is not None:
        expect("block base", tuple(block.block.dxf.base_point), (5, 5, 0))
        expect("block entities", sorted(e.dxftype() for e in block), ["CIRCLE", "LINE"])
    insert = by_type["INSERT"][0]
    expect("INSERT block", insert.dxf.name, "SCHRAUBE")
    expect("INSERT point", tuple(insert.dxf.insert), (150, 30, 0))
    expect("INSERT rotation", insert.dxf.rotation, 60, 1e-9)
    expect("INSERT scale", (insert.dxf.xscale, insert.dxf.yscale, insert.dxf.zscale), (2, 2, 2))

    solid = by_type["3DSOLID"][0]
    expect("3DSOLID SAT", solid.sat,
           ["700 0 1 0", "@7 drafthost @4 test", "1 9.9999999999999995e-07 1e-10",
            "body $-1 -1 $-1 $1 $-1 $-1 #", "lump $-1 -1 $-1 $-1 $2 $0 #", "End-of-ACIS-data"])

    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) < 2 or sys.argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        sys.exit(0 if len(sys.argv) >= 2 else 2)
    try:
        sys.exit(main(sys.argv[1], "--imperial" in sys.argv[2:]))
    except dxfcheck.DxfFault as e:
        print("%s: %s" % (sys.argv[1], e))
        sys.exit(1)
