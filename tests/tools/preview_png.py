#!/usr/bin/python3
"""Renders a DXF with the dxfpreview tool and checks the picture shows
something: a PNG of sensible size with drawn (non-background) pixels.

    preview_png.py DXFPREVIEW FILE.dxf OUT.png
"""
import os
import subprocess
import sys


def main(argv):
    if len(argv) < 4:
        print(__doc__.strip())
        return 2
    tool, dxf, png = argv[1:4]
    if os.path.exists(png):
        os.remove(png)
    run = subprocess.run([sys.executable, tool, dxf, "-o", png], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=300)
    if run.returncode != 0 or not os.path.exists(png):
        print("dxfpreview failed (%d): %s" % (run.returncode, run.stderr.decode(errors="replace")))
        return 1
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.image
    img = matplotlib.image.imread(png)
    h, w = img.shape[:2]
    if w < 200 or h < 50:
        print("%s: picture only %dx%d" % (png, w, h))
        return 1
    rgb = img[:, :, :3]
    drawn = (rgb < 0.9).any(axis=2).sum()  # background is white
    share = drawn / float(w * h)
    if drawn < 500 or share > 0.9:
        print("%s: %d drawn pixels of %d: empty or all background" % (png, drawn, w * h))
        return 1
    print("%s: %dx%d, %d drawn pixels" % (png, w, h, drawn))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
