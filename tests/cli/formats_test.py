"""pelmora-gen's formats through real readers: NumPy for .npy (also memory-mapped), Shapely for
GeoJSON, Python's zlib-based gzip and the zstd tool of libzstd for compressed outputs, and
--verify/--from on compressed dataset files. Usage: formats_test.py PELMORA_GEN"""
import csv
import gzip
import json
import os
import subprocess
import sys
import tempfile
import unittest

import numpy
import shapely.geometry

GEN = sys.argv.pop(1)


def run(folder, *args, check=True):
    result = subprocess.run([GEN, *args], cwd=folder, capture_output=True, text=True)
    if check and result.returncode != 0:
        raise AssertionError(f"{args}: exit {result.returncode}: {result.stderr}")
    return result


def csv_rows(path):
    with open(path, newline="") as f:
        return [[int(v) for v in row.values()] for row in csv.DictReader(f)]


class FormatsTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.folder = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.folder, name)

    def test_npy_loads_as_the_csv_columns(self):
        for dimension in (1, 2, 3):
            with self.subTest(dimension=dimension):
                common = ["-q", "-d", str(dimension), "-n", "3000", "-s", "11", "--variable"]
                run(self.folder, *common, "--format", "csv", "-o", "b.csv")
                run(self.folder, *common, "--format", "npy", "-o", "b.npy")
                rows = numpy.array(csv_rows(self.path("b.csv")), dtype=numpy.int64)
                for mode in (None, "r"):
                    array = numpy.load(self.path("b.npy"), mmap_mode=mode)
                    self.assertEqual(array.dtype, numpy.dtype("<i4"))
                    self.assertEqual(array.shape, (3000, 2 * dimension))
                    self.assertTrue(array.flags["C_CONTIGUOUS"])
                    self.assertTrue(numpy.array_equal(array, rows[:, 1:]))

    def test_geojson_features_are_the_boxes(self):
        for dimension in (1, 2, 3):
            with self.subTest(dimension=dimension):
                common = ["-q", "-d", str(dimension), "-n", "500", "-s", "3", "--variable"]
                run(self.folder, *common, "--format", "csv", "-o", "b.csv")
                run(self.folder, *common, "--format", "geojson", "-o", "b.geojson")
                rows = csv_rows(self.path("b.csv"))
                with open(self.path("b.geojson")) as f:
                    collection = json.load(f)
                self.assertEqual(collection["type"], "FeatureCollection")
                features = collection["features"]
                self.assertEqual(len(features), len(rows))
                for feature, row in zip(features, rows):
                    self.assertEqual(feature["type"], "Feature")
                    self.assertEqual(feature["properties"]["id"], row[0])
                    shape = shapely.geometry.shape(feature["geometry"])
                    low, high = row[1:1 + dimension], row[1 + dimension:]
                    if dimension == 1:
                        self.assertEqual(shape.geom_type, "LineString")
                        self.assertEqual(list(shape.coords), [(low[0], 0), (high[0], 0)])
                    elif dimension == 2:
                        self.assertEqual(shape.geom_type, "Polygon")
                        self.assertTrue(shape.is_valid)
                        self.assertTrue(shape.exterior.is_ccw)  # RFC 7946 right-hand rule
                        self.assertEqual(shape.bounds, (low[0], low[1], high[0], high[1]))
                        self.assertEqual(shape.area, (high[0] - low[0]) * (high[1] - low[1]))
                    else:
                        self.assertEqual(shape.geom_type, "MultiPolygon")
                        self.assertTrue(shape.has_z)
                        faces = list(shape.geoms)
                        self.assertEqual(len(faces), 6)
                        corners = {c for face in faces for c in face.exterior.coords}
                        expected = {(x, y, z) for x in (low[0], high[0])
                                    for y in (low[1], high[1]) for z in (low[2], high[2])}
                        self.assertEqual(corners, expected)
                        for face in faces:
                            self.assertEqual(len(face.exterior.coords), 5)

    def test_compressed_outputs_hold_the_same_bytes(self):
        for fmt in ("pelmora", "csv", "wkt", "npy", "geojson"):
            with self.subTest(format=fmt):
                common = ["-q", "-d", "2", "-n", "20000", "-s", "9", "--format", fmt]
                # The dataset file records its own name; all three share one here.
                run(self.folder, *common, "-o", "plain")
                with open(self.path("plain"), "rb") as f:
                    plain = f.read()
                os.rename(self.path("plain"), self.path("keep"))
                run(self.folder, *common, "-o", "plain.gz")
                run(self.folder, *common, "-o", "plain.zst")
                with gzip.open(self.path("plain.gz"), "rb") as f:
                    unzipped = f.read()
                unzstd = subprocess.run(["zstd", "-dcq", self.path("plain.zst")],
                                        capture_output=True, check=True).stdout
                if fmt == "pelmora":
                    plain = plain.replace(b"Filename: plain\r\n", b"Filename: NAME\r\n")
                    unzipped = unzipped.replace(b"Filename: plain.gz\r\n", b"Filename: NAME\r\n")
                    unzstd = unzstd.replace(b"Filename: plain.zst\r\n", b"Filename: NAME\r\n")
                self.assertEqual(unzipped, plain)
                self.assertEqual(unzstd, plain)

    def test_verify_and_from_read_compressed_files(self):
        run(self.folder, "-q", "-d", "3", "-n", "150000", "-s", "2", "-o", "big.txt.zst")
        self.assertIn("identical", run(self.folder, "--verify", "big.txt.zst").stdout)
        run(self.folder, "-q", "--from", "big.txt.zst", "-n", "1000", "-o", "small.txt.gz")
        self.assertIn("identical", run(self.folder, "--verify", "small.txt.gz").stdout)
        with gzip.open(self.path("small.txt.gz"), "rb") as f:
            self.assertIn(b"  Boxes created [1..100000]: 1000\r\n", f.read())
        # Cut short and damaged streams are told apart from a dataset that differs.
        with open(self.path("small.txt.gz"), "rb") as f:
            data = f.read()
        for name, damaged in (("cut.gz", data[: len(data) // 2]),
                              ("junk.gz", data[:20] + b"\xff" * 200 + data[220:])):
            with open(self.path(name), "wb") as f:
                f.write(damaged)
            result = run(self.folder, "--verify", name, check=False)
            self.assertEqual(result.returncode, 1, name)
            self.assertIn("gzip stream is", result.stderr + result.stdout)


if __name__ == "__main__":
    unittest.main()
