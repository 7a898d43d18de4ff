// The pictures of pelmora-gen: the PNG is the raster drawing of the run, the SVG the SVG
// drawing, both the redraw that follows "Create Dataset".
#include "cli/picture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "drawing/scene.h"
#include "drawing/svg_canvas.h"
#include "raster/painter_canvas.h"
#include "raster/png_encoder.h"
#include "raster/raster_canvas.h"
#include "tests/drawing/test_runs.h"
#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

class PictureTest : public ::testing::Test {
 protected:
  // Runs pelmora-gen in the test's folder; returns its exit status.
  int Run(const std::string& arguments, const std::string& environment = "") {
    const std::string command = "cd '" + folder_.path().string() + "' && " + environment + " " +
                                PELMORA_GEN " -q " + arguments + " 2>stderr.log";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Errors() const { return ReadFile(folder_.File("stderr.log")); }

  // The scene of the run with these controls, drawn on a RasterCanvas right after the run.
  static QImage RasterPicture(const GeneratorControls& controls, const DrawSettings& settings,
                              int width, int height) {
    auto state = std::make_unique<GeneratorState>();
    CompleteRun(controls, *state, controls.spSeed);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    RasterCanvas canvas(image, PaintBoxFont());
    DrawScene(canvas, width, height, settings, state->boxTable, state->sceneSettings,
              state->randomSource);
    return image;
  }

  TempFolder folder_;
};

TEST_F(PictureTest, PngOfASeedIsTheRasterDrawingOfItsRun) {
  ASSERT_EQ(Run("--seed 1 --picture x.png"), 0) << Errors();
  const QImage png(QString::fromStdString(folder_.File("x.png")));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.size(), QSize(603, 586));

  GeneratorControls controls;
  controls.spSeed = 1;
  EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32),
            RasterPicture(controls, DrawSettings(), 603, 586));
}

TEST_F(PictureTest, PngWithDrawOptionsAndRandomColours) {
  ASSERT_EQ(Run("--seed 3 -d 1 --picture y.png --size 1200x900 --random-colour --percent 50 "
                "--grid-style dash --grid-lines 7"),
            0)
      << Errors();
  const QImage png(QString::fromStdString(folder_.File("y.png")));
  ASSERT_FALSE(png.isNull());

  GeneratorControls controls;
  controls.spSeed = 3;
  controls.rgDimension = 0;
  DrawSettings settings;
  settings.rgBoxColour = 1;
  settings.spPercent = 50;
  settings.rgGridStyle = 0;
  settings.spGridLines = 7;
  EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32),
            RasterPicture(controls, settings, 1200, 900));
}

TEST_F(PictureTest, PngNeedsNoDisplay) {
  ASSERT_EQ(Run("--seed 1 --picture z.png", "env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY"),
            0)
      << Errors();
  EXPECT_EQ(Errors(), "");
  EXPECT_FALSE(QImage(QString::fromStdString(folder_.File("z.png"))).isNull());
}

TEST_F(PictureTest, SvgOfASeedIsTheSvgDrawingOfItsRun) {
  ASSERT_EQ(Run("--seed 1 --picture x.svg --outline --perspective 30"), 0) << Errors();
  auto state = std::make_unique<GeneratorState>();
  CompleteRun(GeneratorControls(), *state, 1);
  DrawSettings settings;
  settings.cbColouredBoxes = false;
  settings.cbShow3D = true;
  settings.spDelta = 30;
  SvgCanvas canvas(603, 586);
  DrawScene(canvas, 603, 586, settings, state->boxTable, state->sceneSettings, state->randomSource);
  EXPECT_EQ(ReadFile(folder_.File("x.svg")), canvas.Document());
}

TEST_F(PictureTest, UnwritablePictureIsAnError) {
  for (const auto format : {PictureFormat::kSvg, PictureFormat::kPng}) {
    PictureOptions options;
    options.format = format;
    options.file =
        folder_.File("no such folder/picture") + (format == PictureFormat::kSvg ? ".svg" : ".png");
    std::string error;
    EXPECT_FALSE(WritePicture(
        options, CompletedRun{*PlanRun(GeneratorControls(), 0).plan, RandomSource()}, &error));
    EXPECT_EQ(error.rfind("Cannot create the picture '" + options.file + "': ", 0), 0u) << error;
  }
  ASSERT_EQ(Run("--seed 1 --picture missing/x.png"), 1);
  EXPECT_NE(Errors().find("pelmora-gen: Cannot create the picture 'missing/x.png': "),
            std::string::npos)
      << Errors();
}

// Past the window's 100000 boxes the picture goes on with the same stream: with one constant
// colour and no 1D rows (nothing drawn from where the run ends), the SVG of 250000 boxes is that
// of 100000 boxes followed by the elements of the other 150000, six faces a box. The PNG is
// drawn too.
TEST_F(PictureTest, PicturesOfMoreBoxesThanTheTableContinueTheStream) {
  const std::string settings = "--seed 4 -d 3 -w 2000,2000,100 --high 30,30,30 --variable ";
  ASSERT_EQ(Run(settings + "-n 100000 -o short.txt --picture short.svg"), 0) << Errors();
  ASSERT_EQ(Run(settings + "-n 250000 -o long.txt --picture long.svg"), 0) << Errors();
  ASSERT_EQ(Run(settings + "-n 250000 -o long2.txt --picture long.png --random-colour"), 0)
      << Errors();
  const std::string shortSvg = ReadFile(folder_.File("short.svg"));
  const std::string longSvg = ReadFile(folder_.File("long.svg"));
  ASSERT_TRUE(shortSvg.ends_with(SvgCanvas::kTail));
  const std::string_view shared(shortSvg.data(), shortSvg.size() - SvgCanvas::kTail.size());
  EXPECT_TRUE(std::string_view(longSvg).starts_with(shared));
  EXPECT_TRUE(longSvg.ends_with(SvgCanvas::kTail));
  const auto polygons = [](const std::string& svg) {
    int64_t count = 0;
    for (size_t at = svg.find("<polygon"); at != std::string::npos;
         at = svg.find("<polygon", at + 1)) {
      ++count;
    }
    return count;
  };
  EXPECT_EQ(polygons(shortSvg), 6 * 100000);
  EXPECT_EQ(polygons(longSvg), 6 * 250000);
  const QImage png(QString::fromStdString(folder_.File("long.png")));
  EXPECT_EQ(png.size(), QSize(603, 586));
}

// A picture case: the run's settings, the draw settings, the paint box.
struct StreamedCase {
  std::string name;
  std::function<void(GeneratorControls&)> run;
  std::function<void(DrawSettings&)> draw;
  int32_t width = 603;
  int32_t height = 586;
};

class StreamedPictureTest : public ::testing::TestWithParam<StreamedCase> {};

// The picture drawn as the boxes are made again equals, byte for byte, the one drawn from the
// window's box table right after the same run, as PNG (through the PNG module) and as SVG.
TEST_P(StreamedPictureTest, EqualsThePictureOfTheBoxTable) {
  const StreamedCase& c = GetParam();
  GeneratorControls controls;
  if (c.run) c.run(controls);
  controls.rbSeedConstant = true;
  controls.spSeed = 7;
  PictureOptions options;
  options.width = c.width;
  options.height = c.height;
  if (c.draw) c.draw(options.draw);

  auto state = std::make_unique<GeneratorState>();
  CompleteRun(controls, *state, controls.spSeed);
  const PlanOutcome planned = PlanRun(controls, 0);
  ASSERT_TRUE(planned.plan);
  const CompletedRun run{*planned.plan, state->randomSource};

  std::string expectedPng;
  {
    QImage image(c.width, c.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      RasterCanvas canvas(image, PaintBoxFont());
      RandomSource random = state->randomSource;
      DrawScene(canvas, c.width, c.height, options.draw, state->boxTable, state->sceneSettings,
                random);
    }
    ASSERT_TRUE(EncodePng(image, expectedPng).ok());
  }
  SvgCanvas svg(c.width, c.height);
  DrawScene(svg, c.width, c.height, options.draw, state->boxTable, state->sceneSettings,
            state->randomSource);

  for (const auto& [format, expected] : {std::pair{PictureFormat::kPng, expectedPng},
                                         std::pair{PictureFormat::kSvg, svg.Document()}}) {
    options.format = format;
    std::string bytes;
    MemoryOutput output(&bytes);
    const Status drawn = DrawPicture(options, run, output, PELMORA_PNG_MODULE);
    ASSERT_TRUE(drawn.ok()) << drawn.message();
    ASSERT_TRUE(output.Commit().ok());
    EXPECT_TRUE(bytes == expected)
        << c.name << (format == PictureFormat::kPng ? " PNG" : " SVG") << ": " << bytes.size()
        << " bytes, expected " << expected.size();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, StreamedPictureTest,
    ::testing::Values(
        StreamedCase{"StartSettings", nullptr, nullptr},
        StreamedCase{"FullTableFilled",
                     [](GeneratorControls& c) { c.spBoxes.value = BoxTable::kCapacity; }, nullptr},
        StreamedCase{"FullTableRandomColoursOutlinedPerspective",
                     [](GeneratorControls& c) {
                       c.spBoxes.value = BoxTable::kCapacity;
                       c.rbDist = 1;
                     },
                     [](DrawSettings& s) {
                       s.rgBoxColour = 1;
                       s.cbColouredBoxes = false;
                       s.cbShow3D = true;
                       s.spDelta = 40;
                     }},
        StreamedCase{"OneDimensionalRowsAndColoursThirdOfTheBoxes",
                     [](GeneratorControls& c) {
                       c.rgDimension = 0;
                       c.spBoxes.value = 5000;
                     },
                     [](DrawSettings& s) {
                       s.rgBoxColour = 1;
                       s.spPercent = 33;
                       s.rgGridStyle = 2;
                     },
                     1000, 700},
        StreamedCase{"TwoDimensionalSkewedVariableNoGrid",
                     [](GeneratorControls& c) {
                       c.rgDimension = 1;
                       c.rbDist = 2;
                       c.cbBoxSize = true;
                       c.spBoxes.value = 20000;
                     },
                     [](DrawSettings& s) {
                       s.cbShowGrid = false;
                       s.boxColour = 0x00A050;
                     },
                     57, 31},
        StreamedCase{"TwoDimensionalUnderPerspectiveDrawsOnlyTheGrid",
                     [](GeneratorControls& c) { c.rgDimension = 1; },
                     [](DrawSettings& s) {
                       s.cbShow3D = true;
                       s.rgBoxColour = 1;
                     }}),
    [](const ::testing::TestParamInfo<StreamedCase>& info) { return info.param.name; });

}  // namespace
}  // namespace pelmora
