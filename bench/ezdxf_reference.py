#!/usr/bin/python3
"""The reference point for bench_dxf: the same drawings written by ezdxf.

Each DXF file drafthost wrote (DRW_BENCH_KEEP_DXF=DIR bench_dxf) is loaded by
ezdxf once, untimed; then the time of doc.saveas() is measured, best of a few
runs, and reported per shape next to the file's entity count.

Run: bench/ezdxf_reference.py DIR/drawing_1000.dxf DIR/drawing_10000.dxf ...
"""
import os
import re
import sys
import tempfile
import time

import ezdxf


def shapes_of(path):
    match = re.search(r"drawing_(\d+)\.dxf$", path)
    return int(match.group(1)) if match else None


def main(paths):
    print(f"ezdxf {ezdxf.__version__}")
    print(f"{'file':<28}{'shapes':>10}{'entities':>10}{'write s':>10}{'us/shape':>10}")
    for path in paths:
        doc = ezdxf.readfile(path)
        entities = len(doc.modelspace()) + sum(len(b) for b in doc.blocks)
        shapes = shapes_of(path) or entities
        runs = 3 if shapes <= 100000 else 1
        best = None
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "out.dxf")
            for _ in range(runs):
                start = time.perf_counter()
                doc.saveas(out)
                elapsed = time.perf_counter() - start
                best = elapsed if best is None else min(best, elapsed)
        print(f"{os.path.basename(path):<28}{shapes:>10}{entities:>10}{best:>10.3f}"
              f"{best / shapes * 1e6:>10.2f}")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
