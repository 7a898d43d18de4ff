// The pictures of pelmora-gen: the PNG is the raster drawing of the run, the SVG the SVG
// drawing, both the redraw that follows "Create Dataset".
#include "cli/picture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>
#include <memory>
#include <string>

#include "drawing/scene.h"
#include "drawing/svg_canvas.h"
#include "raster/painter_canvas.h"
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
    auto state = std::make_unique<GeneratorState>();
    CompleteRun(GeneratorControls(), *state, 1);
    PictureOptions options;
    options.format = format;
    options.file =
        folder_.File("no such folder/picture") + (format == PictureFormat::kSvg ? ".svg" : ".png");
    std::string error;
    EXPECT_FALSE(WritePicture(options, *state, &error));
    EXPECT_EQ(error.rfind("Cannot create the picture '" + options.file + "': ", 0), 0u) << error;
  }
  ASSERT_EQ(Run("--seed 1 --picture missing/x.png"), 1);
  EXPECT_NE(Errors().find("pelmora-gen: Cannot create the picture 'missing/x.png': "),
            std::string::npos)
      << Errors();
}

}  // namespace
}  // namespace pelmora
