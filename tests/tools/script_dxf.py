#!/usr/bin/python3
"""Runs drafthost on a script with --dxf and checks the DXF it writes.

    script_dxf.py DRAFTHOST SCRIPT OUT.dxf [--lines N] [--support DIR] [--cwd DIR]

SCRIPT may be a metafile (.mf): the script then imports it with
(C:MOXIopenps2 "FILE") and takes the default insertion point and rotation,
and the result is compared with what check_examples.py expects of it.
--lines N: the drawing must hold N LINE entities (scripts drawing with LINE).
--support DIR: DRAFTHOST_SUPPORT for the run (where acad.lin is).
--cwd DIR: run there (default: the script's directory).
Scripts and metafiles that check_examples.py knows by name are compared
with its values.
The plug-in runs with a fresh HALDRIX_USER and no other HALDRIX settings.
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
    out = os.path.abspath(out)
    if os.path.exists(out):
        os.remove(out)
    script = os.path.abspath(script)
    example = os.path.splitext(os.path.basename(script))[0]
    if script.endswith(".mf"):
        metafile = os.path.abspath(script)
        script = out[:-4] + ".scr"
        with open(script, "w") as f:
            f.write('(C:MOXIopenps2 "%s")\n\n\n' % metafile)
    env = {k: v for k, v in os.environ.items()
           if k not in ("HALDRIX", "HALDRIX_SETUP", "HALDRIX_LANGUAGE")}
    env["HALDRIX_USER"] = out[:-4] + "_user"
    os.makedirs(env["HALDRIX_USER"], exist_ok=True)
    if "--support" in argv:
        env["DRAFTHOST_SUPPORT"] = argv[argv.index("--support") + 1]
    cwd = argv[argv.index("--cwd") + 1] if "--cwd" in argv else os.path.dirname(script)
    run = subprocess.run([drafthost, "--dxf", out, script], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=120, env=env, cwd=cwd)
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
    import check_examples
    faults = check_examples.check(example, doc)
    for f in faults:
        print("%s: %s" % (out, f))
    if faults:
        return 1
    print("%s: ok (%d entities)" % (out, len(doc.modelspace())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
