// The Python module `pelmora`: the library's generation, header reading and verification, with
// the boxes in a NumPy array.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "library/settings_controls.h"
#include "pelmora/dataset.h"
#include "pelmora/generate.h"
#include "pelmora/settings.h"
#include "pelmora/version.h"

namespace py = pybind11;

namespace pelmora {
namespace {

// One keyword of generate() and one key of the dict read_settings() returns: the option's name
// with underscores for dashes. A value of the wrong kind raises TypeError; a value out of the
// option's limits ValueError with pelmora-gen's message (some are left to Validate).
struct Keyword {
  std::string name;
  std::function<void(Settings&, py::handle)> set;
  std::function<py::object(const Settings&)> get;
};

[[noreturn]] void WrongType(const std::string& name, const char* expected, py::handle value) {
  throw py::type_error("pelmora.generate(): " + name + " must be " + expected + ", not " +
                       std::string(py::str(py::type::handle_of(value).attr("__name__"))));
}

// A whole number (also a NumPy integer) that fits an int32_t; else pelmora-gen's message with
// the value as Python prints it.
int32_t ToInt32(const std::string& name, const std::string& option, py::handle value,
                const std::string& shown) {
  if (PyFloat_Check(value.ptr()) || !PyIndex_Check(value.ptr())) {
    WrongType(name, "a whole number", value);
  }
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!index) throw py::error_already_set();
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (overflow != 0 || number < INT32_MIN || number > INT32_MAX) {
    throw py::value_error(ExpectedMessage(option, shown));
  }
  return static_cast<int32_t>(number);
}

std::string OptionName(std::string name) {
  for (char& c : name) c = c == '_' ? '-' : c;
  return name;
}

Keyword Integer(std::string name, int32_t Settings::*field) {
  const std::string option = OptionName(name);
  return {name,
          [=](Settings& s, py::handle v) {
            s.*field = ToInt32(name, option, v, std::string(py::str(v)));
          },
          [=](const Settings& s) { return py::int_(s.*field); }};
}

// One to three whole numbers x, y, z (a tuple, list or array); axes not given keep their values.
// Each must lie in 1..kMaxWorldSize, as pelmora-gen checks the numbers as typed.
Keyword Triple(std::string name, std::array<int32_t, 3> Settings::*field) {
  const std::string option = OptionName(name);
  return {name,
          [=](Settings& s, py::handle v) {
            if (py::isinstance<py::str>(v) || !py::isinstance<py::sequence>(v)) {
              WrongType(name, "a sequence of one to three whole numbers", v);
            }
            const auto items = py::reinterpret_borrow<py::sequence>(v);
            std::string shown;
            for (size_t i = 0; i < items.size(); ++i) {
              shown += (i > 0 ? "," : "") + std::string(py::str(items[i]));
            }
            if (items.size() < 1 || items.size() > 3) {
              throw py::value_error(ExpectedMessage(option, shown));
            }
            std::array<int32_t, 3> values = s.*field;
            for (size_t i = 0; i < items.size(); ++i) {
              values[i] = ToInt32(name, option, items[i], shown);
              if (values[i] < 1 || values[i] > kMaxWorldSize) {
                throw py::value_error(ExpectedMessage(option, shown));
              }
            }
            s.*field = values;
          },
          [=](const Settings& s) {
            const auto& values = s.*field;
            return py::object(py::make_tuple(values[0], values[1], values[2]));
          }};
}

Keyword Flag(std::string name, bool Settings::*field) {
  return {name,
          [=](Settings& s, py::handle v) {
            const std::string type = py::str(py::type::handle_of(v).attr("__name__"));
            if (!PyBool_Check(v.ptr()) && type != "bool_" && type != "bool") {
              WrongType(name, "True or False", v);
            }
            s.*field = v.cast<bool>();
          },
          [=](const Settings& s) { return py::bool_(s.*field); }};
}

Keyword Real(std::string name, double Settings::*field) {
  return {
      name,
      [=](Settings& s, py::handle v) {
        if (py::isinstance<py::str>(v) || py::isinstance<py::bytes>(v) ||
            (!PyFloat_Check(v.ptr()) && !PyIndex_Check(v.ptr()) && !py::hasattr(v, "__float__"))) {
          WrongType(name, "a number", v);
        }
        s.*field = py::float_(py::reinterpret_borrow<py::object>(v));
      },
      [=](const Settings& s) { return py::float_(s.*field); }};
}

Keyword DistributionKeyword() {
  return {"distribution",
          [](Settings& s, py::handle v) {
            if (!py::isinstance<py::str>(v)) WrongType("distribution", "a str", v);
            const std::string name = v.cast<std::string>();
            const auto distribution = ParseDistribution(name);
            if (!distribution) throw py::value_error(ExpectedMessage("distribution", name));
            s.distribution = *distribution;
          },
          [](const Settings& s) { return py::object(py::str(DistributionName(s.distribution))); }};
}

// Every setting, in the order of generate()'s parameters. A new setting of Settings is added
// here, once, and is then a keyword of generate() and a key of read_settings()'s dict.
const std::vector<Keyword>& Keywords() {
  static const std::vector<Keyword> keywords = {
      Integer("dimension", &Settings::dimension),
      Triple("world", &Settings::world),
      Integer("boxes", &Settings::boxes),
      Triple("high", &Settings::high),
      Flag("variable", &Settings::variable),
      Flag("allow_zero_size", &Settings::allowZeroSize),
      DistributionKeyword(),
      Real("mean", &Settings::mean),
      Real("sigma", &Settings::sigma),
      Integer("exponent", &Settings::exponent),
      Integer("seed", &Settings::seed),
      Real("diagonal_fraction", &Settings::diagonalFraction),
      Real("diagonal_width", &Settings::diagonalWidth),
      Real("bit_probability", &Settings::bitProbability),
      Integer("bit_digits", &Settings::bitDigits),
      Integer("clusters", &Settings::clusters),
      Real("cluster_sigma", &Settings::clusterSigma),
      Real("parcel_split", &Settings::parcelSplit),
      Real("parcel_dither", &Settings::parcelDither),
  };
  return keywords;
}

// The settings of generate()'s arguments, as Python binds them to its parameters.
Settings SettingsOf(const py::args& args, const py::kwargs& kwargs) {
  const std::vector<Keyword>& keywords = Keywords();
  if (args.size() > keywords.size()) {
    throw py::type_error("pelmora.generate() takes at most " + std::to_string(keywords.size()) +
                         " positional arguments (" + std::to_string(args.size()) + " given)");
  }
  Settings settings;
  std::vector<bool> given(keywords.size(), false);
  for (size_t i = 0; i < args.size(); ++i) {
    keywords[i].set(settings, args[i]);
    given[i] = true;
  }
  for (const auto& [key, value] : kwargs) {
    const std::string name = py::str(key);
    size_t i = 0;
    while (i < keywords.size() && keywords[i].name != name) ++i;
    if (i == keywords.size()) {
      throw py::type_error("pelmora.generate() got an unexpected keyword argument '" + name + "'");
    }
    if (given[i]) {
      throw py::type_error("pelmora.generate() got multiple values for argument '" + name + "'");
    }
    keywords[i].set(settings, value);
    given[i] = true;
  }
  return settings;
}

// The boxes of a run come back to Python this often, so that Ctrl+C stops a long one.
constexpr int64_t kBoxesBetweenSignalChecks = int64_t{1} << 20;

py::array_t<int32_t> PyGenerate(const py::args& args, const py::kwargs& kwargs) {
  const Settings settings = SettingsOf(args, kwargs);
  if (Status valid = Validate(settings); !valid.ok()) throw py::value_error(valid.message());

  const auto columns = static_cast<size_t>(2 * settings.dimension);
  const auto rows = static_cast<size_t>(settings.boxes);
  std::unique_ptr<int32_t[]> data(new int32_t[rows * columns]);
  int32_t* next = data.get();
  const size_t used = static_cast<size_t>(settings.dimension);
  int64_t sinceCheck = 0;
  bool interrupted = false;
  Status status;
  {
    py::gil_scoped_release released;
    status = Generate(settings, [&](const Box& box) {
      for (size_t axis = 0; axis < used; ++axis) next[axis] = box.low[axis];
      for (size_t axis = 0; axis < used; ++axis) next[used + axis] = box.high[axis];
      next += columns;
      if (++sinceCheck == kBoxesBetweenSignalChecks) {
        sinceCheck = 0;
        py::gil_scoped_acquire held;
        interrupted = PyErr_CheckSignals() != 0;
      }
      return !interrupted;
    });
  }
  if (interrupted) throw py::error_already_set();
  if (!status.ok()) throw py::value_error(status.message());

  int32_t* array = data.release();
  py::capsule owner(array, [](void* p) { delete[] static_cast<int32_t*>(p); });
  return py::array_t<int32_t>({rows, columns}, array, owner);
}

// A path as str or os.PathLike.
std::string PathOf(py::handle path) {
  return py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
}

py::dict PyReadSettings(py::handle path) {
  const std::string name = PathOf(path);
  Settings settings;
  Status status;
  {
    py::gil_scoped_release released;
    status = ReadSettings(name, &settings);
  }
  if (!status.ok()) throw py::value_error(status.message());
  py::dict dict;
  for (const Keyword& keyword : Keywords()) dict[keyword.name.c_str()] = keyword.get(settings);
  return dict;
}

py::tuple PyVerify(py::handle path) {
  const std::string name = PathOf(path);
  FileVerification verification;
  {
    py::gil_scoped_release released;
    verification = VerifyFile(name);
  }
  return py::make_tuple(verification.identical, verification.message);
}

// "generate(dimension=3, world=(700, 700, 50), ...)" from the keywords and the defaults.
std::string GenerateSignature() {
  const Settings defaults;
  std::string signature = "generate(";
  for (const Keyword& keyword : Keywords()) {
    if (signature.back() != '(') signature += ", ";
    signature += keyword.name + "=" + std::string(py::repr(keyword.get(defaults)));
  }
  return signature + ") -> numpy.ndarray";
}

constexpr const char* kGenerateDoc = R"(

Generate the boxes of a dataset in memory: the same boxes, in the same order, as
`pelmora-gen --format csv` makes with the same settings.

Returns a NumPy int32 array of shape (boxes, 2 * dimension) whose columns are
x1, y1, z1, x2, y2, z2 as far as the dimension goes (low corner, then high corner).
The keywords are pelmora-gen's options, with underscores for dashes, and have its
defaults and limits:
  dimension        1, 2 or 3
  world            world size per axis, one to three numbers, each 1..100000
  boxes            number of boxes
  high             high ranges of the box size per axis, each below the world size
  variable         each extent drawn from 1 to its high range, instead of fixed
  allow_zero_size  do not require non-zero boxes
  distribution     "uniform", "gauss" or "skewed", or a family: "diagonal", "bit",
                   "sierpinski" (2 or 3 dimensions), "clustered" or "parcel"
  mean, sigma      the Gauss law's parameters, at most two decimals
  exponent         1 (Zipf) or 2, for the skewed law
  seed             1..65535; the same settings and seed give the same boxes
  diagonal_fraction, diagonal_width
                   diagonal: share of points on the diagonal (0..1), and the width
                   of the band of the others (> 0)
  bit_probability, bit_digits
                   bit: probability of each bit being 1 (0..1), bits per
                   coordinate (1..30)
  clusters, cluster_sigma
                   clustered: number of centres (1..100000), deviation around a
                   centre (> 0)
  parcel_split, parcel_dither
                   parcel: cuts within [split, 1 - split] of a side (0 < split <
                   0.5), each side shrunk by up to dither of it (0..1); the world is
                   cut into exactly `boxes` boxes and `high` does not apply
Settings that pelmora-gen refuses raise ValueError with its message; so does a run
that cannot place its boxes. The interpreter lock is released while the boxes are
made, and the array owns its memory.)";

constexpr const char* kReadSettingsDoc = R"(read_settings(path) -> dict

The settings recorded in the header of the dataset file at path, as a dict that
generate(**settings) accepts: generate() then makes the file's boxes. Raises
ValueError naming the file, and the header line or setting, when they cannot be read
or used.)";

constexpr const char* kVerifyDoc = R"(verify(path) -> (bool, str)

Regenerate the dataset that the header of the file at path describes and compare it
with the file, byte for byte. Returns (identical, message), where message is what
`pelmora-gen --verify path` says: "path: identical", the first line that differs, that
the file is truncated, or why it cannot be read. Writes nothing.)";

}  // namespace
}  // namespace pelmora

PYBIND11_MODULE(pelmora, m) {
  using namespace pelmora;
  m.doc() =
      "Pelmora: reproducible synthetic spatial datasets of axis-aligned boxes.\n\n"
      "generate() makes the boxes of a dataset as a NumPy array; read_settings() and\n"
      "verify() read and check dataset files that pelmora-gen or the window wrote.";
  py::options options;
  options.disable_function_signatures();
  static const std::string generateDoc = GenerateSignature() + kGenerateDoc;
  m.def("generate", &PyGenerate, generateDoc.c_str());
  m.def("read_settings", &PyReadSettings, kReadSettingsDoc, py::arg("path"));
  m.def("verify", &PyVerify, kVerifyDoc, py::arg("path"));
  m.attr("__version__") = PELMORA_VERSION_STRING;
}
