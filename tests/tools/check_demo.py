#!/usr/bin/python3
"""Runs the demo (tools/demo) with a build's programs into a scratch folder
and checks what it leaves: a DXF that dxfcheck accepts, every part's block
inserted where the demo script puts it, the 2D parts apart from each other,
a clean transcript and the preview picture.

    check_demo.py REPOSITORY BUILD_DIR OUT_DIR
"""
import logging
import math
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dxfcheck  # noqa: E402

# Block name prefix, insertion point and rotation (degrees) of each part.
PARTS = [
    ("ISO_4762_M10x40", (230, -20), 90),      # 2D viewer
    ("Welle_", (0, 100), 0),                   # shaft designer
    ("Rillenkugellager_6205", (300, 110), 15),  # assembly program
    ("MOXISOL", (340, -20), 0),                # 3D viewer
    ("Verschraubung_", (60, 20), 270),         # screw connection at the bore
]

# Messages of things that went wrong, in the transcript.
FAULTS = ["nicht gefunden", "Ung\u00fcltige", "Fehler", "nicht erzeugt", "Internal Error",
          "kein Teil", "** "]


def overlap(a, b):
    """True when the two boxes share area in the drawing's plane."""
    return (a.extmin.x < b.extmax.x and b.extmin.x < a.extmax.x and
            a.extmin.y < b.extmax.y and b.extmin.y < a.extmax.y)


def count_in_block(doc, name, kind, seen=()):
    """Entities of a kind in a block and the blocks it inserts."""
    if name in seen or name not in doc.blocks:
        return 0
    block = doc.blocks[name]
    return len(block.query(kind)) + sum(count_in_block(doc, e.dxf.name, kind, seen + (name,))
                                        for e in block.query("INSERT"))


def check(root, build, out):
    logging.getLogger("matplotlib.font_manager").setLevel(logging.ERROR)
    faults = []
    if os.path.exists(out):
        shutil.rmtree(out)
    run = subprocess.run([os.path.join(root, "tools", "demo"), "--no-install", "--build", build,
                          "--out", out], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         timeout=240)
    if run.returncode != 0:
        return ["tools/demo exit status %d: %s" % (run.returncode, run.stdout.decode())]
    dxf, png = os.path.join(out, "demo.dxf"), os.path.join(out, "demo.png")
    for line in run.stdout.decode().splitlines():
        if not (line.endswith(dxf) or line.endswith(png) or line.endswith("demo.txt")):
            faults.append("unexpected output: " + line)
    if not os.path.getsize(png) > 10000:
        faults.append("preview picture missing or empty")
    with open(os.path.join(out, "demo.txt"), encoding="utf-8") as f:
        transcript = f.read()
    for text in FAULTS:
        for line in transcript.splitlines():
            if text in line:
                faults.append("transcript: " + line.strip())
    # The exchange files stayed in the demo's own folder.
    for name in ("acad2d.out", "acadxchg.sat"):
        if not os.path.exists(os.path.join(out, "user", name)):
            faults.append("exchange file %s not in the user folder" % name)

    try:
        doc = dxfcheck.check_file(dxf)
    except dxfcheck.DxfFault as e:
        return faults + ["%s: %s" % (dxf, e)]
    from ezdxf import bbox
    inserts = doc.modelspace().query("INSERT")
    boxes = {}
    for prefix, (x, y), angle in PARTS:
        found = [e for e in inserts if e.dxf.name.startswith(prefix)]
        if len(found) != 1:
            faults.append("%d insertions of %s*" % (len(found), prefix))
            continue
        e = found[0]
        if e.dxf.name not in doc.blocks or len(doc.blocks[e.dxf.name]) == 0:
            faults.append("block %s missing or empty" % e.dxf.name)
        p = e.dxf.insert
        if math.hypot(p.x - x, p.y - y) > 1e-6:
            faults.append("%s at %s, expected (%g, %g)" % (e.dxf.name, p, x, y))
        if abs((e.dxf.rotation - angle + 180) % 360 - 180) > 1e-6:
            faults.append("%s turned by %g, expected %g" % (e.dxf.name, e.dxf.rotation, angle))
        box = bbox.extents([e])
        if prefix != "MOXISOL":
            if not box.has_data:
                faults.append("%s draws nothing" % e.dxf.name)
            boxes[prefix] = box
    # The 2D parts lie apart; the section's lines are only touched by the
    # connection placed into it.
    section = bbox.extents(doc.modelspace().query("LINE"))
    boxes["section"] = section
    names = sorted(boxes)
    for i, a in enumerate(names):
        for b in names[i + 1:]:
            if {a, b} == {"section", "Verschraubung_"}:
                continue
            if overlap(boxes[a], boxes[b]):
                faults.append("%s and %s overlap" % (a, b))
    if "Verschraubung_" in boxes and not overlap(section, boxes["Verschraubung_"]):
        faults.append("the screw connection is not in the section")
    # The bearing's rings, the shaft's section and the screw's head are
    # hatched, also when other parts came before them.
    for e in inserts:
        least = {"Rillenkugellager_6205": 4, "Welle_": 1, "ISO_4762_M10x40": 1}
        for prefix, n in least.items():
            if e.dxf.name.startswith(prefix):
                got = count_in_block(doc, e.dxf.name, "HATCH")
                if got < n:
                    faults.append("%s: %d hatches, expected at least %d" % (e.dxf.name, got, n))
    return faults


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip())
        return 2
    faults = check(*argv[1:4])
    for f in faults:
        print(f)
    if not faults:
        print("demo: ok")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
