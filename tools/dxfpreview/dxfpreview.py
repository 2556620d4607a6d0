#!/usr/bin/python3
"""Renders the model space of a DXF file to a PNG picture, so that a drawing
can be looked at without a CAD program (ezdxf's drawing add-on with
matplotlib; run with the Python that has Debian's python3-ezdxf and
python3-matplotlib, /usr/bin/python3)."""
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
