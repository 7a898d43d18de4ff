// Full redraws of 100000 boxes at the default sizes on the start size of the drawing area
// (603 x 586), as every keystroke in a draw setting costs one: the window's redraw in every mode,
// and for 3D boxes the plain QPainter drawings against RasterCanvas, and the SVG picture.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>
#include <string>
#include <vector>

#include "drawing/scene.h"
#include "drawing/svg_canvas.h"
#include "generator/generation_run.h"
#include "generator/output_file.h"
#include "raster/painter_canvas.h"
#include "raster/raster_canvas.h"

namespace pelmora {
namespace {

constexpr int kWidth = 603;
constexpr int kHeight = 586;

// The runs the benchmarks draw: seed 1, the window's start settings but 100000 boxes, in each
// dimension (0, 1, 2 for 1D, 2D, 3D).
std::unique_ptr<GeneratorState> MakeRun(int32_t dimension) {
  auto s = std::make_unique<GeneratorState>();
  GeneratorControls controls;
  controls.rbSeedConstant = true;
  controls.spSeed = 1;
  controls.spBoxes.value = 100000;
  controls.rgDimension = dimension;
  std::string dataset;
  RunServices services;
  services.openDataset = [&dataset](const std::string&) {
    return std::make_unique<MemoryOutput>(&dataset);
  };
  if (GenerateDataset(controls, *s, services).end != RunEnd::kCompleted) std::abort();
  return s;
}

const GeneratorState& Run(int32_t dimension = 2) {
  static const std::unique_ptr<GeneratorState> runs[3] = {MakeRun(0), MakeRun(1), MakeRun(2)};
  return *runs[dimension];
}

// The first way one would write it: every face a generic QPainter polygon with pen and brush,
// every outline a QPainter polyline. Its corners differ from the canvas contract (Qt's closed
// outlines drop some corner pixels), so it stands here for the time only.
class NaivePainterCanvas final : public Canvas {
 public:
  explicit NaivePainterCanvas(QImage& image) : painter_(&image) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setPen(QPen(QBrush(Qt::black), 0, Qt::SolidLine, Qt::FlatCap));
  }
  void SetBrushColour(Colour colour) override {
    painter_.setBrush(QColor(ImagePixelOf(colour)));
    brush_ = colour;
  }
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    painter_.fillRect(QRect(left, top, right - left, bottom - top), QColor(ImagePixelOf(brush_)));
  }
  void SetPenStyle(PenStyle style) override {
    const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
    painter_.setPen(QPen(QBrush(Qt::black), 0, styles[static_cast<int>(style)], Qt::FlatCap));
  }
  void MoveTo(int32_t x, int32_t y) override { position_ = QPoint(x, y); }
  void LineTo(int32_t x, int32_t y) override {
    painter_.drawLine(position_, QPoint(x, y));
    position_ = QPoint(x, y);
  }
  void TextOut(int32_t x, int32_t y, std::string_view text) override {
    painter_.drawText(QPoint(x, y + 10), QString::fromUtf8(text.data(), text.size()));
  }
  void Polygon(std::span<const CanvasPoint> points) override {
    Points(points);
    painter_.drawPolygon(points_.data(), static_cast<int>(points_.size()), Qt::OddEvenFill);
  }
  void Polyline(std::span<const CanvasPoint> points) override {
    Points(points);
    painter_.drawPolyline(points_.data(), static_cast<int>(points_.size()));
  }

 private:
  void Points(std::span<const CanvasPoint> points) {
    points_.clear();
    for (const CanvasPoint& p : points) points_.emplace_back(p.x, p.y);
  }
  QPainter painter_;
  Colour brush_ = kWhite;
  QPoint position_;
  std::vector<QPoint> points_;
};

template <typename MakeCanvas>
void Redraw(benchmark::State& benchState, MakeCanvas makeCanvas) {
  const GeneratorState& state = Run();
  DrawSettings settings;
  settings.cbColouredBoxes = benchState.range(0) != 0;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  RandomSource random = state.randomSource;
  for (auto _ : benchState) {
    auto canvas = makeCanvas(image);
    DrawScene(*canvas, kWidth, kHeight, settings, state.boxTable, state.sceneSettings, random);
    benchmark::DoNotOptimize(image.constBits());
  }
  benchState.counters["boxes/s"] =
      benchmark::Counter(static_cast<double>(state.sceneSettings.boxCount),
                         benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RedrawNaiveQPainter(benchmark::State& s) {
  Redraw(s, [](QImage& image) { return std::make_unique<NaivePainterCanvas>(image); });
}
void BM_RedrawPainterCanvas(benchmark::State& s) {
  Redraw(s, [](QImage& image) { return std::make_unique<PainterCanvas>(image, PaintBoxFont()); });
}
void BM_RedrawRasterCanvas(benchmark::State& s) {
  Redraw(s, [](QImage& image) { return std::make_unique<RasterCanvas>(image, PaintBoxFont()); });
}

// The SVG picture of the same scene, the document included.
void BM_RedrawSvgCanvas(benchmark::State& benchState) {
  const GeneratorState& state = Run();
  DrawSettings settings;
  settings.cbColouredBoxes = benchState.range(0) != 0;
  RandomSource random = state.randomSource;
  size_t bytes = 0;
  for (auto _ : benchState) {
    SvgCanvas canvas(kWidth, kHeight);
    DrawScene(canvas, kWidth, kHeight, settings, state.boxTable, state.sceneSettings, random);
    const std::string document = canvas.Document();
    bytes = document.size();
    benchmark::DoNotOptimize(document.data());
  }
  benchState.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// The window's redraw in every mode: RasterCanvas on the start size of the drawing area, with
// the dimension (1..3), filled or outlined, constant or random colours, and "Attempt to show 3D
// world" with delta 50 or not.
void BM_RedrawMode(benchmark::State& benchState) {
  const GeneratorState& state = Run(static_cast<int32_t>(benchState.range(0)) - 1);
  DrawSettings settings;
  settings.cbColouredBoxes = benchState.range(1) != 0;
  settings.rgBoxColour = benchState.range(2) != 0 ? 1 : 0;
  settings.cbShow3D = benchState.range(3) != 0;
  settings.spDelta = 50;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  RandomSource random = state.randomSource;
  for (auto _ : benchState) {
    RasterCanvas canvas(image, PaintBoxFont());
    DrawScene(canvas, kWidth, kHeight, settings, state.boxTable, state.sceneSettings, random);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_RedrawMode)
    ->ArgNames({"dim", "filled", "random", "persp"})
    ->ArgsProduct({{1, 2, 3}, {1, 0}, {0, 1}, {0}})
    ->ArgsProduct({{3}, {1, 0}, {0, 1}, {1}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RedrawNaiveQPainter)->ArgName("filled")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawPainterCanvas)->ArgName("filled")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRasterCanvas)->ArgName("filled")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawSvgCanvas)->ArgName("filled")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelmora

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
