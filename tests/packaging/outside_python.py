"""A Python script outside the tree, against an installed prefix only: the module that imports is
the installed one, and its boxes are the installed pelmora-gen's.
Usage: outside_python.py PREFIX (with the prefix's module folder on PYTHONPATH)"""
import os
import subprocess
import sys
import tempfile

import numpy as np

import pelmora

prefix = os.path.realpath(sys.argv[1])
assert os.path.realpath(pelmora.__file__).startswith(prefix + os.sep), pelmora.__file__
gen = os.path.join(prefix, "bin", "pelmora-gen")

with tempfile.TemporaryDirectory() as folder:
    os.chdir(folder)
    for keywords, options in [
        (dict(dimension=1, boxes=300, seed=2), ["-d", "1", "-n", "300", "-s", "2"]),
        (dict(dimension=2, variable=True, distribution="gauss", mean=300, sigma=90.5, boxes=500,
              seed=5),
         ["-d", "2", "--variable", "--distribution", "gauss", "--mean", "300", "--sigma", "90.5",
          "-n", "500", "-s", "5"]),
        (dict(distribution="skewed", exponent=2, world=(2000, 1500, 900), high=(50, 40, 30),
              boxes=500, seed=99),
         ["--distribution", "skewed", "--exponent", "2", "-w", "2000,1500,900", "--high",
          "50,40,30", "-n", "500", "-s", "99"]),
    ]:
        subprocess.run([gen, "-q", *options, "--format", "csv", "-o", "boxes.csv"], check=True)
        expected = np.loadtxt("boxes.csv", delimiter=",", skiprows=1, dtype=np.int32)[:, 1:]
        boxes = pelmora.generate(**keywords)
        assert boxes.dtype == np.int32 and np.array_equal(boxes, expected), options
        subprocess.run([gen, "-q", *options, "-o", "data.txt"], check=True)
        assert np.array_equal(pelmora.generate(**pelmora.read_settings("data.txt")), expected)
        assert pelmora.verify("data.txt") == (True, "data.txt: identical")
print("outside_python: ok,", pelmora.__file__)
