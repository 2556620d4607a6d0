#!/usr/bin/python3
"""A second, independent DXF reader: LibreCAD converts the file to PDF
without a display; the PDF must arrive, hold more than a bare page, and have
a paper-sized page (wrong $INSUNITS make LibreCAD's page metres wide).

    librecad_pdf.py FILE.dxf OUTDIR
"""
import os
import re
import shutil
import subprocess
import sys


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip())
        return 2
    dxf, outdir = argv[1], argv[2]
    librecad = shutil.which("librecad")
    if not librecad:
        print("librecad is not installed (Debian package librecad)")
        return 1
    os.makedirs(outdir, exist_ok=True)
    pdf = os.path.join(outdir, os.path.splitext(os.path.basename(dxf))[0] + ".pdf")
    if os.path.exists(pdf):
        os.remove(pdf)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    try:
        # A file LibreCAD cannot read makes it wait for ever: hence the timeout.
        subprocess.run([librecad, "dxf2pdf", "-a", "-t", outdir, dxf], env=env, timeout=60,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except subprocess.TimeoutExpired:
        print("librecad did not finish within 60 s")
        return 1
    if not os.path.exists(pdf):
        print("no PDF from librecad: %s" % pdf)
        return 1
    with open(pdf, "rb") as f:
        data = f.read()
    if not data.startswith(b"%PDF") or len(data) < 1000:
        print("%s is not a PDF with content (%d bytes)" % (pdf, len(data)))
        return 1
    box = re.search(rb"/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)", data)
    if not box:
        print("%s has no page size" % pdf)
        return 1
    x0, y0, x1, y1 = (float(v) for v in box.groups())
    # A0 is 2384 x 3370 points.
    if max(x1 - x0, y1 - y0) > 3400:
        print("%s: page %.0f x %.0f points, larger than A0" % (pdf, x1 - x0, y1 - y0))
        return 1
    print("%s: %d bytes, page %.0f x %.0f points" % (pdf, len(data), x1 - x0, y1 - y0))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
