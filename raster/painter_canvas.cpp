#include "raster/painter_canvas.h"

#include <QPen>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/rasterize.h"

namespace pelmora {

namespace {

Qt::PenStyle QtPenStyle(PenStyle style) {
  switch (style) {
    case PenStyle::kDash:
      return Qt::DashLine;
    case PenStyle::kDot:
      return Qt::DotLine;
    case PenStyle::kDashDot:
      return Qt::DashDotLine;
    case PenStyle::kSolid:
      break;
  }
  return Qt::SolidLine;
}

QPoint ToQPoint(CanvasPoint p) {
  return QPoint(p.x, p.y);
}

}  // namespace

QFont PaintBoxFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setFamilies(
      {QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"), QStringLiteral("Sans Serif")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

PainterCanvas::PainterCanvas(QImage& image, const QFont& font)
    : image_(image), painter_(&image), font_(font), metrics_(font) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, false);
  painter_.setFont(font_);
  painter_.setBackgroundMode(Qt::TransparentMode);
  UsePen();
}

PainterCanvas::~PainterCanvas() {
  painter_.end();
}

void PainterCanvas::UsePen() {
  painter_.setPen(QPen(QBrush(Qt::black), 0, QtPenStyle(pen_), Qt::FlatCap, Qt::MiterJoin));
}

bool PainterCanvas::Inside(CanvasPoint p) const {
  return p.x >= 0 && p.y >= 0 && p.x < image_.width() && p.y < image_.height();
}

void PainterCanvas::SetBrushColour(Colour colour) {
  brush_ = colour & 0xFFFFFFu;
}

void PainterCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  // Cut to the image first, so that the width and height never overflow.
  const int32_t l = std::max(left, 0);
  const int32_t t = std::max(top, 0);
  const int32_t r = std::min(right, image_.width());
  const int32_t b = std::min(bottom, image_.height());
  if (r <= l || b <= t) return;
  painter_.fillRect(QRect(l, t, r - l, b - t), QColor(ImagePixelOf(brush_)));
}

void PainterCanvas::SetPenStyle(PenStyle style) {
  if (style == pen_) return;
  pen_ = style;
  UsePen();
}

void PainterCanvas::MoveTo(int32_t x, int32_t y) {
  position_ = {x, y};
}

void PainterCanvas::LineTo(int32_t x, int32_t y) {
  const CanvasPoint from = position_;
  position_ = {x, y};
  DrawLineWithoutEnd(from, position_);
}

void PainterCanvas::DrawLineWithoutEnd(CanvasPoint from, CanvasPoint to) {
  if (from == to) return;
  if (raster::IsFarEnd(from, to)) {
    painter_.drawLine(ToQPoint(from), ToQPoint(to));
    return;
  }
  // Qt leaves out the far end, here the start: keep the end's pixel out with a clip and put
  // the start's in. The clip lives between save and restore: a clip region set again after
  // setClipping(false) does not always take effect.
  const bool clipEnd = Inside(to);
  if (clipEnd) {
    painter_.save();
    painter_.setClipRegion(QRegion(image_.rect()).subtracted(QRegion(to.x, to.y, 1, 1)));
  }
  painter_.drawLine(ToQPoint(from), ToQPoint(to));
  if (pen_ == PenStyle::kSolid && Inside(from)) painter_.drawPoint(ToQPoint(from));
  if (clipEnd) painter_.restore();
}

void PainterCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
  const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const int64_t width = metrics_.horizontalAdvance(string);
  const int64_t height = metrics_.height();
  // Text wholly outside the image is not drawn at all, which also keeps its coordinates small.
  if (x >= image_.width() || y >= image_.height() || x + width <= 0 || y + height <= 0) return;
  FillRect(x, y, static_cast<int32_t>(x + width), static_cast<int32_t>(y + height));
  painter_.drawText(QPoint(x, y + metrics_.ascent()), string);
}

void PainterCanvas::Polygon(std::span<const CanvasPoint> points) {
  if (points.empty()) return;
  std::vector<QPoint> corners;
  corners.reserve(points.size());
  for (const CanvasPoint& p : points) corners.push_back(ToQPoint(p));
  if (corners.size() >= 3) {
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(QColor(ImagePixelOf(brush_)));
    painter_.drawPolygon(corners.data(), static_cast<int>(corners.size()), Qt::OddEvenFill);
    painter_.setBrush(Qt::NoBrush);
    UsePen();
  }
  for (size_t i = 0; i < corners.size(); ++i) {
    const QPoint& a = corners[i];
    const QPoint& b = corners[(i + 1) % corners.size()];
    if (a != b) painter_.drawLine(a, b);
  }
  // The ends Qt leaves out of each edge are corners, which a solid outline includes.
  if (pen_ == PenStyle::kSolid) {
    for (const CanvasPoint& p : points) {
      if (Inside(p)) painter_.drawPoint(ToQPoint(p));
    }
  }
}

void PainterCanvas::Polyline(std::span<const CanvasPoint> points) {
  for (size_t i = 1; i < points.size(); ++i) DrawLineWithoutEnd(points[i - 1], points[i]);
}

}  // namespace pelmora
