"""Runs every shell block of the README that follows a line "<!-- tested -->", in a fresh
folder with the build's programs first on PATH; a block fails the test when it exits non-zero.
Usage: readme_examples.py README BUILD"""
import os
import re
import subprocess
import sys
import tempfile

readme, build = sys.argv[1], sys.argv[2]
text = open(readme, encoding="utf-8").read()
blocks = re.findall(r"<!-- tested -->\s*\n```sh\n(.*?)```", text, re.S)
if not blocks:
    sys.exit("no tested examples found in " + readme)
env = dict(os.environ, PATH=os.path.abspath(build) + os.pathsep + os.environ["PATH"])
for number, block in enumerate(blocks, 1):
    with tempfile.TemporaryDirectory() as folder:
        result = subprocess.run(["sh", "-eu", "-c", block], cwd=folder, env=env,
                                capture_output=True, text=True, timeout=300)
        print(f"--- example {number} ---\n{block}{result.stdout}{result.stderr}")
        if result.returncode != 0:
            sys.exit(f"example {number} failed with status {result.returncode}")
print(f"{len(blocks)} README examples ran")
