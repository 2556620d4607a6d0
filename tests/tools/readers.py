#!/usr/bin/python3
"""Two more readers of a drafthost DXF besides ezdxf, each of which must make
something of it:

    readers.py pdf FILE.dxf OUTDIR          LibreCAD converts it to PDF without a
        display; the PDF must hold more than a bare page, and a paper-sized one
        (wrong $INSUNITS make LibreCAD's page metres wide).
    readers.py png DXFPREVIEW FILE.dxf OUT.png      the preview tool's picture
        must be of sensible size with drawn (non-background) pixels.
"""
import os
import re
import shutil
import subprocess
import sys


def pdf(dxf, outdir):
    librecad = shutil.which("librecad")
    if not librecad:
        return "librecad is not installed (Debian package librecad)"
    os.makedirs(outdir, exist_ok=True)
    out = os.path.join(outdir, os.path.splitext(os.path.basename(dxf))[0] + ".pdf")
    if os.path.exists(out):
        os.remove(out)
    try:
        # A file LibreCAD cannot read makes it wait for ever: hence the timeout.
        subprocess.run([librecad, "dxf2pdf", "-a", "-t", outdir, dxf], timeout=60,
                       env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except subprocess.TimeoutExpired:
        return "librecad did not finish within 60 s"
    if not os.path.exists(out):
        return "no PDF from librecad: %s" % out
    with open(out, "rb") as f:
        data = f.read()
    box = re.search(rb"/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)", data)
    if not data.startswith(b"%PDF") or len(data) < 1000 or not box:
        return "%s is not a PDF with content and a page size (%d bytes)" % (out, len(data))
    x0, y0, x1, y1 = (float(v) for v in box.groups())
    # A0 is 2384 x 3370 points.
    if max(x1 - x0, y1 - y0) > 3400:
        return "%s: page %.0f x %.0f points, larger than A0" % (out, x1 - x0, y1 - y0)
    print("%s: %d bytes, page %.0f x %.0f points" % (out, len(data), x1 - x0, y1 - y0))


def png(tool, dxf, out):
    if os.path.exists(out):
        os.remove(out)
    run = subprocess.run([sys.executable, tool, dxf, "-o", out], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=300)
    if run.returncode != 0 or not os.path.exists(out):
        return "dxfpreview failed (%d): %s" % (run.returncode, run.stderr.decode(errors="replace"))
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.image
    img = matplotlib.image.imread(out)
    h, w = img.shape[:2]
    drawn = (img[:, :, :3] < 0.9).any(axis=2).sum()  # the background is white
    if w < 200 or h < 50 or drawn < 500 or drawn > 0.9 * w * h:
        return "%s: %dx%d, %d drawn pixels: too small, empty or all background" % (out, w, h, drawn)
    print("%s: %dx%d, %d drawn pixels" % (out, w, h, drawn))


if __name__ == "__main__":
    reader = {"pdf": (pdf, 2), "png": (png, 3)}.get(sys.argv[1] if len(sys.argv) > 1 else "")
    if not reader or len(sys.argv) != reader[1] + 2:
        print(__doc__.strip())
        sys.exit(2)
    fault = reader[0](*sys.argv[2:])
    if fault:
        print(fault)
    sys.exit(1 if fault else 0)
