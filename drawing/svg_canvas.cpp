#include "drawing/svg_canvas.h"

#include <algorithm>
#include <cstdio>

namespace pelmora {

namespace {

void AppendInt(std::string& out, int64_t value) {
  out += std::to_string(value);
}

// Appends text as XML character data: markup characters escaped, and every byte sequence that
// is not well-formed UTF-8, or not a character XML 1.0 allows, replaced by U+FFFD.
void AppendEscaped(std::string& out, std::string_view text) {
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      switch (byte) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
            out += kReplacement;
          } else {
            out += static_cast<char>(byte);
          }
      }
      ++i;
      continue;
    }
    // A multi-byte sequence: its length from the lead byte, then its continuation bytes.
    size_t length = 0;
    uint32_t code = 0;
    if (byte >= 0xC2 && byte <= 0xDF) {
      length = 2;
      code = byte & 0x1F;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      length = 3;
      code = byte & 0x0F;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
      length = 4;
      code = byte & 0x07;
    }
    bool valid = length != 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
      } else {
        code = (code << 6) | (next & 0x3F);
      }
    }
    // Overlong forms, surrogates, values past U+10FFFF and the two non-characters XML forbids.
    if (valid) {
      const uint32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
      valid = code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) &&
              code != 0xFFFE && code != 0xFFFF;
    }
    if (valid) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += kReplacement;
      ++i;
    }
  }
}

}  // namespace

std::string SvgColour(Colour colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(colour), GreenOf(colour), BlueOf(colour));
  return text;
}

std::string_view SvgDashPattern(PenStyle style) {
  // The raster canvas's patterns for a one-pixel pen: dash 4 on 2 off, dot 1 on 2 off.
  switch (style) {
    case PenStyle::kDash:
      return "4 2";
    case PenStyle::kDot:
      return "1 2";
    case PenStyle::kDashDot:
      return "4 2 1 2";
    case PenStyle::kSolid:
      break;
  }
  return {};
}

SvgCanvas::SvgCanvas(int32_t width, int32_t height, SvgFont font)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), font_(font) {}

void SvgCanvas::SetBrushColour(Colour colour) {
  brush_ = colour & 0xFFFFFFu;
}

void SvgCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  body_ += "<rect x=\"";
  AppendInt(body_, left);
  body_ += "\" y=\"";
  AppendInt(body_, top);
  body_ += "\" width=\"";
  AppendInt(body_, std::max<int64_t>(int64_t{right} - left, 0));
  body_ += "\" height=\"";
  AppendInt(body_, std::max<int64_t>(int64_t{bottom} - top, 0));
  body_ += "\" fill=\"" + SvgColour(brush_) + "\" stroke=\"none\"/>\n";
}

void SvgCanvas::SetPenStyle(PenStyle style) {
  pen_ = style;
}

void SvgCanvas::MoveTo(int32_t x, int32_t y) {
  position_ = {x, y};
}

void SvgCanvas::LineTo(int32_t x, int32_t y) {
  body_ += "<line x1=\"";
  AppendInt(body_, position_.x);
  body_ += "\" y1=\"";
  AppendInt(body_, position_.y);
  body_ += "\" x2=\"";
  AppendInt(body_, x);
  body_ += "\" y2=\"";
  AppendInt(body_, y);
  body_ += "\" stroke=\"#000000\"";
  const std::string_view dashes = SvgDashPattern(pen_);
  if (!dashes.empty()) {
    body_ += " stroke-dasharray=\"";
    body_ += dashes;
    body_ += '"';
  }
  body_ += "/>\n";
  position_ = {x, y};
}

void SvgCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
  int64_t width = 0;
  for (const char c : text) {
    // Continuation bytes of a UTF-8 sequence take no room of their own.
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;
    width += c == '-' ? font_.minusAdvance : font_.advance;
  }
  body_ += "<rect x=\"";
  AppendInt(body_, x);
  body_ += "\" y=\"";
  AppendInt(body_, y);
  body_ += "\" width=\"";
  AppendInt(body_, width);
  body_ += "\" height=\"";
  AppendInt(body_, font_.height);
  body_ += "\" fill=\"" + SvgColour(brush_) + "\" stroke=\"none\"/>\n";
  body_ += "<text x=\"";
  AppendInt(body_, x);
  body_ += "\" y=\"";
  AppendInt(body_, int64_t{y} + font_.ascent);
  body_ += "\" fill=\"#000000\" stroke=\"none\">";
  AppendEscaped(body_, text);
  body_ += "</text>\n";
}

void SvgCanvas::AppendPoints(std::span<const CanvasPoint> points) {
  body_ += "points=\"";
  for (size_t i = 0; i < points.size(); ++i) {
    if (i > 0) body_ += ' ';
    AppendInt(body_, points[i].x);
    body_ += ',';
    AppendInt(body_, points[i].y);
  }
  body_ += '"';
}

void SvgCanvas::Polygon(std::span<const CanvasPoint> points) {
  body_ += "<polygon ";
  AppendPoints(points);
  body_ += " fill=\"" + SvgColour(brush_) + "\" stroke=\"#000000\"/>\n";
}

void SvgCanvas::Polyline(std::span<const CanvasPoint> points) {
  body_ += "<polyline ";
  AppendPoints(points);
  body_ += " fill=\"none\" stroke=\"#000000\"/>\n";
}

std::string SvgCanvas::Head() const {
  std::string head;
  head += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  head += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
  AppendInt(head, width_);
  head += "\" height=\"";
  AppendInt(head, height_);
  head += "\" viewBox=\"0 0 ";
  AppendInt(head, width_);
  head += ' ';
  AppendInt(head, height_);
  head += "\">\n";
  // Polygons fill by the even-odd rule, as the raster canvas does; strokes end flat.
  head += "<g transform=\"translate(0.5 0.5)\" stroke-width=\"1\" fill-rule=\"evenodd\" ";
  head += "stroke-linecap=\"butt\" font-family=\"";
  AppendEscaped(head, font_.family);
  head += "\" font-size=\"";
  AppendInt(head, font_.pixelSize);
  head += "px\">\n";
  return head;
}

std::string SvgCanvas::TakeElements() {
  std::string taken;
  taken.swap(body_);
  return taken;
}

std::string SvgCanvas::Document() const {
  return Head() + body_ + std::string(kTail);
}

}  // namespace pelmora
