#!/usr/bin/python3
"""Runs drafthost on a script with --dxf and checks the DXF it writes.

    script_dxf.py DRAFTHOST SCRIPT OUT.dxf [--lines N]

--lines N: the drawing must hold N LINE entities (scripts drawing with LINE).
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dxfcheck  # noqa: E402


def main(argv):
    if len(argv) < 4:
        print(__doc__.strip())
        return 2
    drafthost, script, out = argv[1:4]
    if os.path.exists(out):
        os.remove(out)
    run = subprocess.run([drafthost, "--dxf", out, script], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=120,
                         cwd=os.path.dirname(os.path.abspath(script)))
    if run.returncode != 0:
        print("drafthost exit status %d\n%s" % (run.returncode, run.stderr.decode(errors="replace")))
        return 1
    try:
        doc = dxfcheck.check_file(out)
    except dxfcheck.DxfFault as e:
        print("%s: %s" % (out, e))
        return 1
    if "--lines" in argv:
        want = int(argv[argv.index("--lines") + 1])
        got = len(doc.modelspace().query("LINE"))
        if got != want:
            print("%s: %d LINE entities, expected %d" % (out, got, want))
            return 1
    print("%s: ok (%d entities)" % (out, len(doc.modelspace())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
