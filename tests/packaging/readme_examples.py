"""Runs every example of the README that follows a line "<!-- tested -->" (or "<!-- tested KIND
-->" for a block that needs what KIND needs), each in a fresh folder,
against the build installed into a fresh prefix (its programs first on PATH, its pkg-config file,
CMake package and Python module found there): a ```sh block with sh, a ```cpp block compiled
with c++ and pkg-config's flags for pelmora and run, a ```python block with the Python given.
KINDS (such as sh,cpp,python) says which kinds run. An example fails the test when it exits
non-zero.
Usage: readme_examples.py README BUILD KINDS [PYTHON]"""
import glob
import os
import re
import subprocess
import sys
import tempfile

readme, build, kinds = sys.argv[1], sys.argv[2], sys.argv[3].split(",")
python = sys.argv[4] if len(sys.argv) > 4 else sys.executable
text = open(readme, encoding="utf-8").read()
blocks = re.findall(r"<!-- tested(?: (\w+))? -->\s*\n```(sh|cpp|python)\n(.*?)```", text, re.S)
if not blocks:
    sys.exit("no tested examples found in " + readme)

with tempfile.TemporaryDirectory() as prefix:
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    env = dict(os.environ)
    env["PATH"] = os.pathsep.join([os.path.join(prefix, "bin"), os.path.dirname(python),
                                   env["PATH"]])
    env["PKG_CONFIG_PATH"] = os.pathsep.join(glob.glob(f"{prefix}/**/pkgconfig", recursive=True))
    env["CMAKE_PREFIX_PATH"] = prefix
    modules = glob.glob(f"{prefix}/**/pelmora*.so", recursive=True)
    env["PYTHONPATH"] = os.pathsep.join(os.path.dirname(m) for m in modules)
    runners = {
        "sh": lambda code: ["sh", "-eu", "-c", code],
        "cpp": lambda code: ["sh", "-eu", "-c",
                             'cat > example.cpp <<"END_OF_EXAMPLE"\n' + code + "END_OF_EXAMPLE\n"
                             "c++ -std=c++20 -O2 example.cpp $(pkg-config --cflags --libs pelmora)"
                             " -o example\n./example"],
        "python": lambda code: [python, "-c", code],
    }
    for number, (needs, kind, block) in enumerate(blocks, 1):
        if (needs or kind) not in kinds:
            print(f"--- example {number} ({kind}) not run in this build ---")
            continue
        with tempfile.TemporaryDirectory() as folder:
            result = subprocess.run(runners[kind](block), cwd=folder, env=env,
                                    capture_output=True, text=True, timeout=300)
            print(f"--- example {number} ({kind}) ---\n{block}{result.stdout}{result.stderr}")
            if result.returncode != 0:
                sys.exit(f"example {number} failed with status {result.returncode}")
print(f"{len(blocks)} README examples ran")
