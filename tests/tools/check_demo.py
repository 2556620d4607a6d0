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

# Block name prefix, insertion point, rotation (degrees) and least number of
# hatches (also when other parts came before them) of each part.
PARTS = [
    ("ISO_4762_M10x40", (230, -20), 90, 1),      # 2D viewer
    ("Welle_", (0, 100), 0, 1),                   # shaft designer
    ("Rillenkugellager_6205", (300, 110), 15, 4),  # assembly program
    ("MOXISOL", (340, -20), 0, 0),                # 3D viewer
    ("Verschraubung_", (60, 20), 270, 0),         # screw connection at the bore
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
    shutil.rmtree(out, ignore_errors=True)
    run = subprocess.run([os.path.join(root, "tools", "demo"), "--no-install", "--build", build,
                          "--out", out], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         timeout=240)
    if run.returncode != 0:
        return ["tools/demo exit status %d: %s" % (run.returncode, run.stdout.decode())]
    dxf, png = os.path.join(out, "demo.dxf"), os.path.join(out, "demo.png")
    faults = ["unexpected output: " + line for line in run.stdout.decode().splitlines()
              if not line.endswith((dxf, png, "demo.txt"))]
    if not os.path.getsize(png) > 10000:
        faults.append("preview picture missing or empty")
    with open(os.path.join(out, "demo.txt"), encoding="utf-8") as f:
        faults += ["transcript: " + line.strip() for line in f.read().splitlines()
                   if any(text in line for text in FAULTS)]
    # The exchange files stayed in the demo's own folder.
    faults += ["exchange file %s not in the user folder" % name
               for name in ("acad2d.out", "acadxchg.sat")
               if not os.path.exists(os.path.join(out, "user", name))]
    try:
        doc = dxfcheck.check_file(dxf)
    except dxfcheck.DxfFault as e:
        return faults + ["%s: %s" % (dxf, e)]
    from ezdxf import bbox
    inserts = doc.modelspace().query("INSERT")
    boxes = {}
    for prefix, (x, y), angle, hatches in PARTS:
        found = [e for e in inserts if e.dxf.name.startswith(prefix)]
        if len(found) != 1:
            faults.append("%d insertions of %s*" % (len(found), prefix))
            continue
        name, p = found[0].dxf.name, found[0].dxf.insert
        if name not in doc.blocks or len(doc.blocks[name]) == 0:
            faults.append("block %s missing or empty" % name)
        if math.hypot(p.x - x, p.y - y) > 1e-6:
            faults.append("%s at %s, expected (%g, %g)" % (name, p, x, y))
        if abs((found[0].dxf.rotation - angle + 180) % 360 - 180) > 1e-6:
            faults.append("%s turned by %g, expected %g" % (name, found[0].dxf.rotation, angle))
        if count_in_block(doc, name, "HATCH") < hatches:
            faults.append("%s: fewer than %d hatches" % (name, hatches))
        if prefix != "MOXISOL":
            boxes[prefix] = bbox.extents([found[0]])
            if not boxes[prefix].has_data:
                faults.append("%s draws nothing" % name)
    # The 2D parts lie apart; the section's lines are only touched by the
    # connection placed into it.
    section = boxes["section"] = bbox.extents(doc.modelspace().query("LINE"))
    names = sorted(boxes)
    faults += ["%s and %s overlap" % (a, b) for i, a in enumerate(names) for b in names[i + 1:]
               if {a, b} != {"section", "Verschraubung_"} and overlap(boxes[a], boxes[b])]
    if "Verschraubung_" in boxes and not overlap(section, boxes["Verschraubung_"]):
        faults.append("the screw connection is not in the section")
    return faults


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip())
        return 2
    faults = check(*argv[1:4])
    print("\n".join(faults) if faults else "demo: ok")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
