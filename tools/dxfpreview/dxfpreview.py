#!/usr/bin/python3
"""Renders the model space of a DXF file to a PNG picture, so that a drawing
can be looked at without a CAD program (ezdxf's drawing add-on with
matplotlib; run with the Python that has Debian's python3-ezdxf and
python3-matplotlib, /usr/bin/python3). 3D solids, which the add-on does not
draw, are shown as the outline of their vertices seen from above."""
import argparse
import logging
import sys


def parse_args(argv):
    p = argparse.ArgumentParser(prog="dxfpreview", description=__doc__)
    p.add_argument("dxf", help="DXF file to render")
    p.add_argument("-o", "--output", help="PNG file to write (default: the DXF name with .png)")
    p.add_argument("--dpi", type=int, default=100, help="resolution in dots per inch (default 100)")
    p.add_argument("--width", type=float, default=12.0,
                   help="picture width in inches; the height follows the drawing (default 12)")
    p.add_argument("--dark", action="store_true",
                   help="white lines on black, as CAD programs show model space "
                        "(default: black on white)")
    return p.parse_args(argv)


def sat_points(solid):
    """The vertex coordinates of a 3DSOLID's SAT text ("point" records)."""
    try:
        lines = solid.sat
    except Exception:  # an encoding this ezdxf cannot read
        return []
    points = []
    for line in lines:
        fields = line.split()
        if len(fields) >= 5 and fields[0] == "point":
            try:
                points.append(tuple(float(v) for v in fields[-4:-1]))
            except ValueError:
                pass
    return points


def convex_hull(points):
    """Andrew's monotone chain over 2D points; counter-clockwise, not closed."""
    pts = sorted(set(points))
    if len(pts) < 3:
        return pts

    def cross(o, a, b):
        return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0])

    lower, upper = [], []
    for p in pts:
        while len(lower) >= 2 and cross(lower[-2], lower[-1], p) <= 0:
            lower.pop()
        lower.append(p)
    for p in reversed(pts):
        while len(upper) >= 2 and cross(upper[-2], upper[-1], p) <= 0:
            upper.pop()
        upper.append(p)
    return lower[:-1] + upper[:-1]


def outline_solids(doc, msp):
    """ezdxf does not draw 3D solids: add, to the in-memory drawing only, the
    outline of each solid's vertices seen from above, wherever the solid is
    placed (directly or through block insertions)."""
    from ezdxf.math import Matrix44
    outlines = []

    def walk(entities, matrix, depth):
        for e in entities:
            kind = e.dxftype()
            if kind == "3DSOLID":
                pts = [matrix.transform(p) for p in sat_points(e)]
                hull = convex_hull([(p.x, p.y) for p in pts])
                if len(hull) >= 3:
                    outlines.append((hull, e.dxf.layer, e.dxf.get("color", 256)))
            elif kind == "INSERT" and depth < 16:
                block = doc.blocks.get(e.dxf.name)
                if block is not None:
                    walk(block, e.matrix44() @ matrix, depth + 1)

    walk(list(msp), Matrix44(), 0)
    for hull, layer, colour in outlines:
        msp.add_lwpolyline(hull, close=True, dxfattribs={"layer": layer, "color": colour})
    return len(outlines)


def main(argv):
    args = parse_args(argv)
    output = args.output or (args.dxf[:-4] if args.dxf.lower().endswith(".dxf") else args.dxf) + ".png"
    import matplotlib
    matplotlib.use("Agg")
    # Fonts a drawing names but this machine lacks are replaced quietly.
    logging.getLogger("matplotlib.font_manager").setLevel(logging.ERROR)
    import ezdxf
    from ezdxf import recover
    from ezdxf.addons.drawing.matplotlib import qsave
    try:
        doc, auditor = recover.readfile(args.dxf)
    except (IOError, ezdxf.DXFStructureError) as e:
        print("dxfpreview: cannot read %s: %s" % (args.dxf, e), file=sys.stderr)
        return 1
    if auditor.has_errors:
        print("dxfpreview: %s has %d error(s); rendering what could be read"
              % (args.dxf, len(auditor.errors)), file=sys.stderr)
    msp = doc.modelspace()
    if len(msp) == 0:
        print("dxfpreview: %s: model space is empty" % args.dxf, file=sys.stderr)
    outline_solids(doc, msp)
    bg = "#000000" if args.dark else "#FFFFFF"
    try:
        qsave(msp, output, bg=bg, dpi=args.dpi, size_inches=(args.width, 0.0))
    except OSError as e:
        print("dxfpreview: cannot write %s: %s" % (output, e), file=sys.stderr)
        return 1
    print(output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
