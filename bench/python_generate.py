"""pelmora.generate against NumPy's own generator filling an array of the same shape: the time of
each (best and median of several calls) and what "in memory" costs.
Usage: PYTHONPATH=build/python /usr/bin/python3 bench/python_generate.py [BOXES] [REPEATS]"""
import statistics
import sys
import time

import numpy as np

import pelmora

boxes = int(sys.argv[1]) if len(sys.argv) > 1 else 10**7
repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5


def measure(name, make):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        array = make()
        times.append(time.perf_counter() - start)
        del array
    print(f"{name:60s} best {min(times):.3f} s  median {statistics.median(times):.3f} s")


measure(f"pelmora.generate(boxes={boxes}) 3D uniform",
        lambda: pelmora.generate(boxes=boxes))
measure(f"pelmora.generate(boxes={boxes}) 3D gauss",
        lambda: pelmora.generate(boxes=boxes, distribution="gauss"))
measure(f"numpy default_rng(1).integers(1, 701, ({boxes}, 6), int32)",
        lambda: np.random.default_rng(1).integers(1, 701, size=(boxes, 6), dtype=np.int32))
