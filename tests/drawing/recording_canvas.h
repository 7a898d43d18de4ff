// A canvas that records every call, for exact assertions on what the drawing asks for.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "drawing/canvas.h"

namespace pelmora {

struct CanvasCall {
  enum class Op {
    kBrushColour,
    kFillRect,
    kPenStyle,
    kMoveTo,
    kLineTo,
    kTextOut,
    kPolygon,
    kPolyline
  };

  Op op = Op::kBrushColour;
  Colour colour = 0;                  // kBrushColour
  int32_t left = 0, top = 0;          // kFillRect
  int32_t right = 0, bottom = 0;      // kFillRect
  PenStyle style = PenStyle::kSolid;  // kPenStyle
  CanvasPoint point;                  // kMoveTo, kLineTo, kTextOut
  std::string text;                   // kTextOut
  std::vector<CanvasPoint> points;    // kPolygon, kPolyline

  friend bool operator==(const CanvasCall&, const CanvasCall&) = default;

  static CanvasCall Brush(Colour c) {
    CanvasCall call = Of(Op::kBrushColour);
    call.colour = c;
    return call;
  }
  static CanvasCall Rect(int32_t l, int32_t t, int32_t r, int32_t b) {
    CanvasCall call = Of(Op::kFillRect);
    call.left = l;
    call.top = t;
    call.right = r;
    call.bottom = b;
    return call;
  }
  static CanvasCall Pen(PenStyle s) {
    CanvasCall call = Of(Op::kPenStyle);
    call.style = s;
    return call;
  }
  static CanvasCall Move(int32_t x, int32_t y) { return At(Op::kMoveTo, x, y); }
  static CanvasCall Line(int32_t x, int32_t y) { return At(Op::kLineTo, x, y); }
  static CanvasCall Text(int32_t x, int32_t y, std::string t) {
    CanvasCall call = At(Op::kTextOut, x, y);
    call.text = std::move(t);
    return call;
  }
  static CanvasCall Poly(std::vector<CanvasPoint> p) { return Through(Op::kPolygon, std::move(p)); }
  static CanvasCall Lines(std::vector<CanvasPoint> p) {
    return Through(Op::kPolyline, std::move(p));
  }

 private:
  static CanvasCall Of(Op op) {
    CanvasCall call;
    call.op = op;
    return call;
  }
  static CanvasCall At(Op op, int32_t x, int32_t y) {
    CanvasCall call = Of(op);
    call.point = {x, y};
    return call;
  }
  static CanvasCall Through(Op op, std::vector<CanvasPoint> p) {
    CanvasCall call = Of(op);
    call.points = std::move(p);
    return call;
  }
};

inline std::ostream& operator<<(std::ostream& out, const CanvasPoint& p) {
  return out << "(" << p.x << ", " << p.y << ")";
}

inline void PrintTo(const CanvasCall& call, std::ostream* out) {
  using Op = CanvasCall::Op;
  switch (call.op) {
    case Op::kBrushColour:
      *out << "Brush(0x" << std::hex << call.colour << std::dec << ")";
      return;
    case Op::kFillRect:
      *out << "FillRect(" << call.left << ", " << call.top << ", " << call.right << ", "
           << call.bottom << ")";
      return;
    case Op::kPenStyle:
      *out << "Pen(" << static_cast<int>(call.style) << ")";
      return;
    case Op::kMoveTo:
      *out << "MoveTo" << call.point;
      return;
    case Op::kLineTo:
      *out << "LineTo" << call.point;
      return;
    case Op::kTextOut:
      *out << "TextOut" << call.point << " \"" << call.text << "\"";
      return;
    case Op::kPolygon:
    case Op::kPolyline:
      *out << (call.op == Op::kPolygon ? "Polygon" : "Polyline");
      for (const CanvasPoint& p : call.points) *out << " " << p;
      return;
  }
}

class RecordingCanvas final : public Canvas {
 public:
  void SetBrushColour(Colour colour) override { calls.push_back(CanvasCall::Brush(colour)); }
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    calls.push_back(CanvasCall::Rect(left, top, right, bottom));
  }
  void SetPenStyle(PenStyle style) override { calls.push_back(CanvasCall::Pen(style)); }
  void MoveTo(int32_t x, int32_t y) override { calls.push_back(CanvasCall::Move(x, y)); }
  void LineTo(int32_t x, int32_t y) override { calls.push_back(CanvasCall::Line(x, y)); }
  void TextOut(int32_t x, int32_t y, std::string_view text) override {
    calls.push_back(CanvasCall::Text(x, y, std::string(text)));
  }
  void Polygon(std::span<const CanvasPoint> points) override {
    calls.push_back(CanvasCall::Poly({points.begin(), points.end()}));
  }
  void Polyline(std::span<const CanvasPoint> points) override {
    calls.push_back(CanvasCall::Lines({points.begin(), points.end()}));
  }

  // The recorded calls of one kind, in order.
  std::vector<CanvasCall> Of(CanvasCall::Op op) const {
    std::vector<CanvasCall> result;
    for (const CanvasCall& call : calls) {
      if (call.op == op) result.push_back(call);
    }
    return result;
  }

  std::vector<CanvasCall> calls;
};

}  // namespace pelmora
