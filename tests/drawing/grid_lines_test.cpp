#include "drawing/grid_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generator/extended.h"
#include "tests/drawing/recording_canvas.h"

namespace pelmora {
namespace {

using Op = CanvasCall::Op;

// The rows (columns) and labels of one direction, read back from the calls.
struct Rule {
  int32_t position;
  CanvasPoint labelAt;
  std::string label;
  friend bool operator==(const Rule&, const Rule&) = default;
};

void PrintTo(const Rule& rule, std::ostream* out) {
  *out << "{" << rule.position << ", " << rule.labelAt << ", \"" << rule.label << "\"}";
}

struct Grid {
  std::vector<Rule> rows;
  std::vector<Rule> columns;
};

// Splits the recorded grid into its lines: each is MoveTo, LineTo, TextOut, and a line is a
// row when it runs from x = 0 to x = width at one y.
Grid ReadGrid(const RecordingCanvas& canvas, int32_t width, int32_t height) {
  Grid grid;
  const auto& calls = canvas.calls;
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != Op::kMoveTo) continue;
    EXPECT_LT(i + 2, calls.size());
    if (i + 2 >= calls.size()) break;
    const CanvasCall& move = calls[i];
    const CanvasCall& line = calls[i + 1];
    const CanvasCall& text = calls[i + 2];
    EXPECT_EQ(line.op, Op::kLineTo);
    EXPECT_EQ(text.op, Op::kTextOut);
    if (move.point.x == 0 && line.point == CanvasPoint{width, move.point.y}) {
      EXPECT_TRUE(grid.columns.empty()) << "a row after the columns";
      grid.rows.push_back({move.point.y, text.point, text.text});
    } else {
      EXPECT_EQ(move.point.y, 0);
      EXPECT_EQ(line.point, (CanvasPoint{move.point.x, height}));
      grid.columns.push_back({move.point.x, text.point, text.text});
    }
  }
  return grid;
}

TEST(GridLinesTest, TenLinesOnTheStartSizeOfTheDrawingArea) {
  RecordingCanvas canvas;
  DrawGridLines(canvas, 10, 1, 700, 700, 603, 586);

  const int32_t rows[] = {0, 58, 117, 175, 234, 293, 351, 410, 468, 527};
  const int32_t columns[] = {0, 60, 120, 180, 241, 301, 361, 422, 482, 542};
  Grid expected;
  for (int k = 0; k < 10; ++k) {
    const std::string label = std::to_string(70 * k);
    expected.rows.push_back({rows[k], {2, rows[k] + 1}, label});
    expected.columns.push_back({columns[k], {columns[k] + 1, 2}, label});
  }
  const Grid grid = ReadGrid(canvas, 603, 586);
  EXPECT_EQ(grid.rows, expected.rows);
  EXPECT_EQ(grid.columns, expected.columns);
  // The dotted pen first, and solid again last.
  EXPECT_EQ(canvas.calls.front(), CanvasCall::Pen(PenStyle::kDot));
  EXPECT_EQ(canvas.calls.back(), CanvasCall::Pen(PenStyle::kSolid));
  EXPECT_EQ(canvas.calls.size(), 2u + 3u * 20u);
}

struct LabelCase {
  int32_t lines;
  int32_t world;
  int32_t height;
  std::vector<std::pair<int32_t, std::string>> firstRows;  // position and label of k = 0, 1, ...
};

class GridLabelTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(GridLabelTest, RowsAndLabels) {
  const LabelCase& c = GetParam();
  RecordingCanvas canvas;
  DrawGridLines(canvas, c.lines, 1, 700, c.world, 603, c.height);
  const Grid grid = ReadGrid(canvas, 603, c.height);
  ASSERT_EQ(grid.rows.size(), static_cast<size_t>(c.lines));
  for (size_t k = 0; k < c.firstRows.size(); ++k) {
    EXPECT_EQ(grid.rows[k].position, c.firstRows[k].first) << "line " << k;
    EXPECT_EQ(grid.rows[k].label, c.firstRows[k].second) << "line " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridLabelTest,
    ::testing::Values(
        // Whole hundreds when the count divides the world.
        LabelCase{7,
                  700,
                  586,
                  {{0, "0"},
                   {83, "100"},
                   {167, "200"},
                   {251, "300"},
                   {334, "400"},
                   {418, "500"},
                   {502, "600"}}},
        // Labels truncate toward zero.
        LabelCase{30, 700, 586, {{0, "0"}, {19, "23"}, {39, "46"}, {58, "70"}, {78, "93"}}},
        // The quotient first: line 27 of 30 on 560 pixels lies at 503, not at 560 * 27 / 30.
        LabelCase{30, 700, 560, {{0, "0"}, {18, "23"}}},
        // A negative world size labels downwards.
        LabelCase{4, -5, 586, {{0, "0"}, {146, "-1"}, {293, "-2"}, {439, "-3"}}},
        // k * world wraps to 32 bits before the division: 2 * 2147483647 is -2.
        LabelCase{3, 2147483647, 586, {{0, "0"}, {195, "715827882"}, {390, "0"}}}));

TEST(GridLinesTest, QuotientFirstPutsLine27Of30AtPixel503) {
  RecordingCanvas canvas;
  DrawGridLines(canvas, 30, 1, 700, 700, 603, 560);
  const Grid grid = ReadGrid(canvas, 603, 560);
  ASSERT_EQ(grid.rows.size(), 30u);
  EXPECT_EQ(grid.rows[27].position, 503);
  EXPECT_EQ(grid.rows[27].labelAt, (CanvasPoint{2, 504}));
}

TEST(GridLinesTest, StyleIsSetFirstAndSolidAgainLast) {
  struct Case {
    int32_t style;
    std::vector<CanvasCall> pens;
  };
  const Case cases[] = {
      {0, {CanvasCall::Pen(PenStyle::kDash), CanvasCall::Pen(PenStyle::kSolid)}},
      {1, {CanvasCall::Pen(PenStyle::kDot), CanvasCall::Pen(PenStyle::kSolid)}},
      {2, {CanvasCall::Pen(PenStyle::kDashDot), CanvasCall::Pen(PenStyle::kSolid)}},
      // No item selected: the pen is left as it is, solid.
      {-1, {CanvasCall::Pen(PenStyle::kSolid)}},
      {3, {CanvasCall::Pen(PenStyle::kSolid)}},
  };
  for (const Case& c : cases) {
    RecordingCanvas canvas;
    DrawGridLines(canvas, 5, c.style, 700, 700, 603, 586);
    EXPECT_EQ(canvas.Of(Op::kPenStyle), c.pens) << "style " << c.style;
    EXPECT_EQ(canvas.calls.back(), CanvasCall::Pen(PenStyle::kSolid));
    if (c.pens.size() == 2) {
      EXPECT_EQ(canvas.calls.front(), c.pens.front());
    }
  }
}

TEST(GridLinesTest, NoLinesForCountsOfZeroOrLess) {
  for (const int32_t lines : {0, -1, -2147483647 - 1}) {
    RecordingCanvas canvas;
    DrawGridLines(canvas, lines, 2, 700, 700, 603, 586);
    EXPECT_EQ(canvas.calls, (std::vector<CanvasCall>{CanvasCall::Pen(PenStyle::kDashDot),
                                                     CanvasCall::Pen(PenStyle::kSolid)}))
        << lines;
  }
}

// More lines than pixel rows: every row that the literal loop would rule is ruled once, with the
// label that the literal loop writes last on it.
TEST(GridLinesTest, DenseLinesAreRuledOncePerRowWithTheLastLabel) {
  const int32_t lines = 1300;
  const int32_t height = 586;
  const int32_t width = 603;
  RecordingCanvas canvas;
  DrawGridLines(canvas, lines, 1, 700, 700, width, height);
  const Grid grid = ReadGrid(canvas, width, height);

  // The literal loop, line by line, keeping the last label per row.
  std::vector<Rule> rows;
  const Extended spacing = Extended(static_cast<float>(height)) / lines;
  for (int32_t k = 0; k < lines; ++k) {
    const auto y = static_cast<int32_t>(TruncToInt64(spacing * k));
    const Rule rule{y,
                    {2, static_cast<int32_t>(TruncToInt64(spacing * k + 1))},
                    std::to_string(k * 700 / lines)};
    if (!rows.empty() && rows.back().position == y) {
      rows.back() = rule;
    } else {
      rows.push_back(rule);
    }
  }
  EXPECT_EQ(rows.size(), static_cast<size_t>(height));
  EXPECT_EQ(grid.rows, rows);
  EXPECT_EQ(grid.columns.size(), static_cast<size_t>(width));
}

TEST(GridLinesTest, TheLargestCountStaysWithinThePaintBox) {
  RecordingCanvas canvas;
  DrawGridLines(canvas, 2147483647, 1, 700, 700, 603, 586);
  const Grid grid = ReadGrid(canvas, 603, 586);
  ASSERT_EQ(grid.rows.size(), 586u);
  ASSERT_EQ(grid.columns.size(), 603u);
  for (int32_t y = 0; y < 586; ++y) ASSERT_EQ(grid.rows[y].position, y);
  // The last line, k = n - 1, labels the last row: (n - 1) * 700 wraps to -1400, and / n is 0.
  EXPECT_EQ(grid.rows.back().label, "0");
  EXPECT_EQ(grid.rows.back().labelAt, (CanvasPoint{2, 586}));
}

TEST(GridLinesTest, EmptyAndNegativePaintBoxesRuleWithoutFailing) {
  // All lines of a zero-height box share row 0; a negative height spreads them upwards.
  RecordingCanvas flat;
  DrawGridLines(flat, 10, 1, 700, 700, 603, 0);
  const Grid flatGrid = ReadGrid(flat, 603, 0);
  ASSERT_EQ(flatGrid.rows.size(), 1u);
  EXPECT_EQ(flatGrid.rows[0].position, 0);
  EXPECT_EQ(flatGrid.rows[0].label, "630");

  RecordingCanvas negative;
  DrawGridLines(negative, 4, 1, 700, 700, 603, -40);
  const Grid negativeGrid = ReadGrid(negative, 603, -40);
  ASSERT_EQ(negativeGrid.rows.size(), 4u);
  EXPECT_EQ(negativeGrid.rows[1].position, -10);
  EXPECT_EQ(negativeGrid.rows[1].labelAt, (CanvasPoint{2, -9}));
}

}  // namespace
}  // namespace pelmora
