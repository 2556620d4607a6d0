#!/usr/bin/python3
"""Runs drafthost on a script with --dxf and checks the DXF it writes.

    script_dxf.py DRAFTHOST SCRIPT OUT.dxf [--lines N] [--support DIR] [--cwd DIR]
                  [--emulator PROGRAM --drive LETTER:]

SCRIPT may be a metafile (.mf): the script then imports it with
(C:MOXIopenps2 "FILE") and takes the default insertion point and rotation.
--lines N: the drawing must hold N LINE entities (scripts drawing with LINE).
--support DIR: DRAFTHOST_SUPPORT for the run (where acad.lin is).
--cwd DIR: run there (default: the script's directory).
--emulator PROGRAM, --drive LETTER: a Windows build's drafthost.exe runs
through the emulator (wine), which shows this machine's files on that drive.
Scripts and metafiles that check_examples.py knows by name are compared
with its values. The plug-in runs with a fresh HALDRIX_USER and no other
HALDRIX settings.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_examples  # noqa: E402
import dxfcheck  # noqa: E402


def option(argv, name):
    return argv[argv.index(name) + 1] if name in argv else None


def main(argv):
    if len(argv) < 4:
        print(__doc__.strip())
        return 2
    drafthost, script, out = argv[1], os.path.abspath(argv[2]), os.path.abspath(argv[3])
    drive = option(argv, "--drive") or ""

    def seen(path):  # a path as the program sees it
        return drive + path

    if os.path.exists(out):
        os.remove(out)
    example = os.path.splitext(os.path.basename(script))[0]
    if script.endswith(".mf"):
        metafile, script = script, out[:-4] + ".scr"
        with open(script, "w") as f:
            f.write('(C:MOXIopenps2 "%s")\n\n\n' % seen(metafile))
    env = {k: v for k, v in os.environ.items()
           if k not in ("HALDRIX", "HALDRIX_SETUP", "HALDRIX_LANGUAGE")}
    user = out[:-4] + "_user"
    os.makedirs(user, exist_ok=True)
    env["HALDRIX_USER"] = seen(user)
    if option(argv, "--support"):
        env["DRAFTHOST_SUPPORT"] = seen(option(argv, "--support"))
    command = [drafthost, "--dxf", seen(out), seen(script)]
    if option(argv, "--emulator"):
        command.insert(0, option(argv, "--emulator"))
    run = subprocess.run(command, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=120, env=env,
                         cwd=option(argv, "--cwd") or os.path.dirname(script))
    if run.returncode != 0:
        print("drafthost exit status %d\n%s" % (run.returncode, run.stderr.decode(errors="replace")))
        return 1
    try:
        doc = dxfcheck.check_file(out)
    except dxfcheck.DxfFault as e:
        print("%s: %s" % (out, e))
        return 1
    faults = check_examples.check(example, doc)
    lines = len(doc.modelspace().query("LINE"))
    if option(argv, "--lines") and lines != int(option(argv, "--lines")):
        faults.append("%d LINE entities, expected %s" % (lines, option(argv, "--lines")))
    for f in faults or ["ok (%d entities)" % len(doc.modelspace())]:
        print("%s: %s" % (out, f))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
