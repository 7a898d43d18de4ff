"""The Python module against pelmora-gen: the same boxes, the same messages, the same verdicts.
Run by ctest with the module's build folder on PYTHONPATH and PELMORA_GEN naming pelmora-gen."""
import io
import os
import re
import subprocess

import numpy as np
import pytest

import pelmora

GEN = os.environ["PELMORA_GEN"]


def gen(*args, cwd=None):
    return subprocess.run([GEN, *args], capture_output=True, text=True, cwd=cwd)


def gen_csv(*args):
    """pelmora-gen's CSV of those options, as an int32 array without the id column."""
    result = gen("-q", "--format", "csv", "-o", "-", *args)
    assert result.returncode == 0, result.stderr
    table = np.loadtxt(io.StringIO(result.stdout), delimiter=",", skiprows=1, dtype=np.int64,
                       ndmin=2)
    assert (table[:, 0] == np.arange(1, len(table) + 1)).all()
    return table[:, 1:].astype(np.int32)


# (keywords, pelmora-gen's options): every dimension and distribution, fixed and variable size.
CASES = [
    ({}, []),
    (dict(dimension=1, boxes=500, seed=3), ["-d", "1", "-n", "500", "-s", "3"]),
    (dict(dimension=2, boxes=500, variable=True, seed=9),
     ["-d", "2", "-n", "500", "--variable", "-s", "9"]),
    (dict(boxes=800, variable=True, allow_zero_size=True, seed=65535),
     ["-n", "800", "--variable", "--allow-zero-size", "-s", "65535"]),
    (dict(dimension=1, distribution="gauss", mean=120.5, sigma=33.25, world=(300,), high=(7,),
          boxes=400),
     ["-d", "1", "--distribution", "gauss", "--mean", "120.5", "--sigma", "33.25", "-w", "300",
      "--high", "7", "-n", "400"]),
    (dict(dimension=2, distribution="gauss", mean=500, sigma=80.1, world=[1000, 900], boxes=800,
          seed=42),
     ["-d", "2", "--distribution", "gauss", "--mean", "500", "--sigma", "80.1", "-w", "1000,900",
      "-n", "800", "-s", "42"]),
    (dict(distribution="gauss", mean=-3.5, sigma=200.0, variable=True, boxes=300),
     ["--distribution", "gauss", "--mean", "-3.5", "--sigma", "200", "--variable", "-n", "300"]),
    (dict(dimension=1, distribution="skewed", exponent=2, boxes=300, seed=5),
     ["-d", "1", "--distribution", "skewed", "--exponent", "2", "-n", "300", "-s", "5"]),
    (dict(dimension=2, distribution="skewed", world=(5000, 4000), high=(30, 40), boxes=600),
     ["-d", "2", "--distribution", "skewed", "-w", "5000,4000", "--high", "30,40", "-n", "600"]),
    (dict(dimension=3, distribution="skewed", exponent=2, variable=True, world=(900, 800, 700),
          boxes=700, seed=11),
     ["--distribution", "skewed", "--exponent", "2", "--variable", "-w", "900,800,700", "-n",
      "700", "-s", "11"]),
    # The distribution families.
    (dict(dimension=2, distribution="diagonal", diagonal_fraction=0.25, diagonal_width=0.5,
          boxes=500),
     ["-d", "2", "--distribution", "diagonal", "--diagonal-fraction", "0.25", "--diagonal-width",
      "0.5", "-n", "500"]),
    (dict(distribution="bit", bit_probability=0.4, bit_digits=12, variable=True, boxes=400),
     ["--distribution", "bit", "--bit-probability", "0.4", "--bit-digits", "12", "--variable",
      "-n", "400"]),
    (dict(dimension=2, distribution="sierpinski", world=(2000, 2000), boxes=600, seed=7),
     ["-d", "2", "--distribution", "sierpinski", "-w", "2000,2000", "-n", "600", "-s", "7"]),
    (dict(dimension=1, distribution="clustered", clusters=3, cluster_sigma=0.1, world=(4000,),
          boxes=300),
     ["-d", "1", "--distribution", "clustered", "--clusters", "3", "--cluster-sigma", "0.1", "-w",
      "4000", "-n", "300"]),
    (dict(distribution="parcel", parcel_split=0.1, parcel_dither=0.75, boxes=900,
          high=(50, 50, 50)),
     ["--distribution", "parcel", "--parcel-split", "0.1", "--parcel-dither", "0.75", "-n", "900",
      "--high", "50,50,50"]),
]


@pytest.mark.parametrize("keywords,options", CASES)
def test_the_array_is_pelmora_gens_csv(keywords, options):
    boxes = pelmora.generate(**keywords)
    expected = gen_csv("-s", "1", *options)
    assert boxes.dtype == np.int32
    assert boxes.flags.c_contiguous and boxes.flags.writeable
    assert boxes.shape == expected.shape == (keywords.get("boxes", 200),
                                             2 * keywords.get("dimension", 3))
    np.testing.assert_array_equal(boxes, expected)


def test_defaults_and_positional_arguments():
    first = pelmora.generate(boxes=3)
    np.testing.assert_array_equal(first, [[250, 105, 30, 270, 125, 50],
                                          [245, 613, 30, 265, 633, 50],
                                          [657, 435, 30, 677, 455, 50]])
    np.testing.assert_array_equal(pelmora.generate(2, (700, 700), 2),
                                  [[250, 105, 270, 125], [613, 384, 633, 404]])
    # NumPy scalars are numbers like any other.
    np.testing.assert_array_equal(pelmora.generate(dimension=np.int64(2), boxes=np.int32(2),
                                                   variable=np.bool_(False)),
                                  [[250, 105, 270, 125], [613, 384, 633, 404]])


def test_ten_million_boxes():
    boxes = pelmora.generate(boxes=10**7)
    assert boxes.shape == (10**7, 6) and boxes.dtype == np.int32
    # A longer dataset is the same stream read further.
    np.testing.assert_array_equal(boxes[:1000], pelmora.generate(boxes=1000))
    low, high = boxes[:, :3], boxes[:, 3:]
    assert (low >= 1).all() and (high <= np.array([700, 700, 50])).all()
    assert ((high - low) == 20).all()


def test_the_array_owns_its_memory():
    boxes = pelmora.generate(boxes=1000)
    assert not isinstance(boxes.base, np.ndarray)  # no view of another array: no copy was made
    boxes[0, 0] = -1  # and it is the caller's to change
    assert pelmora.generate(boxes=1)[0, 0] == 250


# Bad values: ValueError with pelmora-gen's message for the same value.
BAD = [
    (dict(dimension=4), ["--dimension", "4"]),
    (dict(world=(0, 700)), ["--world", "0,700"]),
    (dict(world=(700, 700, 50, 9)), ["--world", "700,700,50,9"]),
    (dict(world=()), ["--world", ""]),
    (dict(world=(2**40,)), ["--world", str(2**40)]),
    (dict(boxes=0), ["--boxes", "0"]),
    (dict(boxes=-5), ["--boxes", "-5"]),
    (dict(boxes=2**64), ["--boxes", str(2**64)]),
    (dict(high=(20, 100001)), ["--high", "20,100001"]),
    (dict(distribution="Gauss"), ["--distribution", "Gauss"]),
    (dict(mean=350.125), ["--mean", "350.125"]),
    (dict(sigma=0.001), ["--sigma", "0.001"]),
    (dict(exponent=0), ["--exponent", "0"]),
    (dict(seed=65536), ["--seed", "65536"]),
    (dict(high=(700,)), ["--high", "700"]),
    (dict(dimension=1, high=(20, 20, 50)), ["-d", "1", "--high", "20,20,50"]),
    (dict(distribution="diagonal", diagonal_fraction=1.5), ["--diagonal-fraction", "1.5"]),
    (dict(distribution="bit", bit_digits=31), ["--bit-digits", "31"]),
    (dict(distribution="clustered", clusters=0), ["--clusters", "0"]),
    (dict(distribution="clustered", cluster_sigma=0.0), ["--cluster-sigma", "0"]),
    (dict(distribution="parcel", parcel_split=0.5), ["--parcel-split", "0.5"]),
    (dict(distribution="sierpinski", dimension=1), ["--distribution", "sierpinski", "-d", "1"]),
    (dict(distribution="parcel", dimension=2, world=(10, 10), boxes=65),
     ["--distribution", "parcel", "-d", "2", "-w", "10,10", "-n", "65"]),
]


@pytest.mark.parametrize("keywords,options", BAD)
def test_bad_settings_raise_pelmora_gens_message(keywords, options):
    result = gen("-q", "-o", "-", *options)
    assert result.returncode != 0
    message = result.stderr.splitlines()[0].removeprefix("pelmora-gen: ")
    with pytest.raises(ValueError) as error:
        pelmora.generate(**keywords)
    assert str(error.value) == message


def test_a_run_that_cannot_place_its_boxes_raises_its_message():
    options = ["-d", "1", "-w", "1000", "--high", "10", "--distribution", "gauss", "--mean",
               "100000", "--sigma", "0.01", "-n", "1"]
    result = gen("-q", "-o", "-", *options)
    assert result.returncode == 1
    with pytest.raises(ValueError) as error:
        pelmora.generate(dimension=1, world=(1000,), high=(10,), distribution="gauss",
                         mean=100000, sigma=0.01, boxes=1)
    assert "pelmora-gen: " + str(error.value) + "\n" == result.stderr


@pytest.mark.parametrize("call,text", [
    (lambda: pelmora.generate(boxes="3"), "boxes must be a whole number, not str"),
    (lambda: pelmora.generate(boxes=3.0), "boxes must be a whole number, not float"),
    (lambda: pelmora.generate(world=700), "world must be a sequence"),
    (lambda: pelmora.generate(world="700"), "world must be a sequence"),
    (lambda: pelmora.generate(variable=1), "variable must be True or False, not int"),
    (lambda: pelmora.generate(distribution=1), "distribution must be a str, not int"),
    (lambda: pelmora.generate(mean="350"), "mean must be a number, not str"),
    (lambda: pelmora.generate(boxs=3), "unexpected keyword argument 'boxs'"),
    (lambda: pelmora.generate(3, dimension=2), "multiple values for argument 'dimension'"),
    (lambda: pelmora.generate(*range(20)), "at most 19 positional arguments"),
])
def test_wrong_kinds_of_values_raise_type_error(call, text):
    with pytest.raises(TypeError, match=text):
        call()


@pytest.mark.parametrize("options", [
    ["-d", "2", "-w", "1000,800", "--high", "12,9", "-n", "321", "--variable", "--allow-zero-size",
     "--distribution", "gauss", "--mean", "410.5", "--sigma", "60.25", "-s", "777"],
    ["-d", "1", "-w", "5000", "--high", "40", "-n", "50", "--distribution", "skewed",
     "--exponent", "2", "-s", "2"],
    ["-n", "20"],  # a random seed
    ["-d", "3", "-n", "60", "--distribution", "clustered", "--clusters", "5", "--cluster-sigma",
     "0.125"],
    ["-d", "2", "-n", "60", "--distribution", "parcel", "--parcel-split", "0.3"],
])
def test_read_settings_remakes_the_file(tmp_path, options):
    path = tmp_path / "data.txt"
    assert gen("-q", "-o", str(path), *options).returncode == 0
    settings = pelmora.read_settings(path)
    assert list(settings) == ["dimension", "world", "boxes", "high", "variable",
                              "allow_zero_size", "distribution", "mean", "sigma", "exponent",
                              "seed", "diagonal_fraction", "diagonal_width", "bit_probability",
                              "bit_digits", "clusters", "cluster_sigma", "parcel_split",
                              "parcel_dither"]
    np.testing.assert_array_equal(pelmora.generate(**settings),
                                  gen_csv("--from", str(path)))
    assert pelmora.verify(str(path)) == (True, f"{path}: identical")


def test_read_settings_gives_the_header_values(tmp_path):
    path = tmp_path / "data.txt"
    gen("-q", "-o", str(path), "-d", "2", "-w", "1000,800", "--high", "12,9", "-n", "321",
        "--distribution", "gauss", "--mean", "410.5", "--sigma", "60.25", "-s", "777")
    assert pelmora.read_settings(str(path)) == dict(
        dimension=2, world=(1000, 800, 50), boxes=321, high=(12, 9, 20), variable=False,
        allow_zero_size=False, distribution="gauss", mean=410.5, sigma=60.25, exponent=1,
        seed=777, diagonal_fraction=0.5, diagonal_width=0.1, bit_probability=0.2, bit_digits=10,
        clusters=10, cluster_sigma=0.02, parcel_split=0.2, parcel_dither=0.2)
    # A family's parameters come back exactly as the header records them.
    gen("-q", "-o", str(path), "-d", "2", "-n", "30", "--distribution", "diagonal",
        "--diagonal-fraction", "0.1", "--diagonal-width", "0.0123456789", "-s", "5")
    settings = pelmora.read_settings(str(path))
    assert (settings["distribution"], settings["diagonal_fraction"],
            settings["diagonal_width"]) == ("diagonal", 0.1, 0.0123456789)


def test_read_settings_errors_name_the_file(tmp_path):
    notes = tmp_path / "notes.txt"
    notes.write_text("Dear diary\n")
    with pytest.raises(ValueError, match="Cannot read '.*missing.txt': No such file"):
        pelmora.read_settings(tmp_path / "missing.txt")
    with pytest.raises(ValueError, match=re.escape(f"'{notes}': cannot read the header: line 1")):
        pelmora.read_settings(notes)


def test_verify_says_what_pelmora_gen_says(tmp_path):
    good = tmp_path / "good.txt"
    gen("-q", "-o", str(good), "-d", "2", "-n", "300", "-s", "4")
    data = good.read_bytes()
    changed = tmp_path / "changed.txt"
    changed.write_bytes(data.replace(b"\r\n7: ", b"\r\n7: 9", 1))
    short = tmp_path / "short.txt"
    short.write_bytes(data[: len(data) // 2])
    for path, identical in [(good, True), (changed, False), (short, False)]:
        result = gen("--verify", str(path))
        assert result.returncode == (0 if identical else 1)
        assert pelmora.verify(path) == (identical, result.stdout.rstrip("\n"))
    identical, message = pelmora.verify(tmp_path / "missing.txt")
    assert not identical and "No such file" in message


def test_every_function_is_documented():
    assert pelmora.__doc__
    assert pelmora.generate.__doc__.startswith(
        "generate(dimension=3, world=(700, 700, 50), boxes=200, high=(20, 20, 20), "
        "variable=False, allow_zero_size=False, distribution='uniform', mean=350.0, "
        "sigma=100.0, exponent=1, seed=1, diagonal_fraction=0.5, diagonal_width=0.1, "
        "bit_probability=0.2, bit_digits=10, clusters=10, cluster_sigma=0.02, parcel_split=0.2, "
        "parcel_dither=0.2)")
    for function in (pelmora.read_settings, pelmora.verify):
        assert function.__doc__.startswith(function.__name__ + "(path)")
