#include "drawing/svg_canvas.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drawing/scene.h"
#include "tests/drawing/recording_canvas.h"
#include "tests/drawing/test_runs.h"

namespace pelmora {
namespace {

using Op = CanvasCall::Op;

// One element of the drawing group, read back: its name, its attributes and, for <text>, its
// character data with the entities resolved.
struct Element {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;
  friend bool operator==(const Element&, const Element&) = default;
};

void PrintTo(const Element& e, std::ostream* out) {
  *out << "<" << e.name;
  for (const auto& [key, value] : e.attributes) *out << " " << key << "=\"" << value << "\"";
  *out << ">" << e.text;
}

// Resolves the five XML entities; fails the test on a bare '&' or '<'.
std::string Unescape(const std::string& raw) {
  static const std::pair<std::string, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (size_t i = 0; i < raw.size();) {
    EXPECT_NE(raw[i], '<') << raw;
    if (raw[i] != '&') {
      out += raw[i++];
      continue;
    }
    bool known = false;
    for (const auto& [entity, c] : kEntities) {
      if (raw.compare(i, entity.size(), entity) == 0) {
        out += c;
        i += entity.size();
        known = true;
        break;
      }
    }
    EXPECT_TRUE(known) << "bare & in " << raw;
    if (!known) ++i;
  }
  return out;
}

// Parses one tag "<name a="v" ...>" or "<name .../>" starting at pos; returns the position
// after it. Fails the test on anything else.
size_t ParseTag(const std::string& doc, size_t pos, Element* element, bool* selfClosing) {
  EXPECT_EQ(doc[pos], '<');
  size_t i = pos + 1;
  while (i < doc.size() && (std::isalnum(static_cast<unsigned char>(doc[i])) || doc[i] == ':')) {
    element->name += doc[i++];
  }
  while (i < doc.size()) {
    while (doc[i] == ' ') ++i;
    if (doc.compare(i, 2, "/>") == 0) {
      *selfClosing = true;
      return i + 2;
    }
    if (doc[i] == '>') {
      *selfClosing = false;
      return i + 1;
    }
    std::string key;
    while (i < doc.size() && doc[i] != '=') key += doc[i++];
    EXPECT_EQ(doc.compare(i, 2, "=\""), 0) << "at " << i;
    i += 2;
    const size_t end = doc.find('"', i);
    EXPECT_NE(end, std::string::npos);
    if (end == std::string::npos) return doc.size();
    EXPECT_EQ(element->attributes.count(key), 0u) << "repeated attribute " << key;
    element->attributes[key] = Unescape(doc.substr(i, end - i));
    i = end + 1;
  }
  ADD_FAILURE() << "unterminated tag at " << pos;
  return doc.size();
}

struct SvgDocument {
  Element svg;
  Element group;
  std::vector<Element> elements;
};

// Reads the whole document: the XML declaration, <svg>, one <g> and flat elements in it.
SvgDocument Parse(const std::string& doc) {
  SvgDocument result;
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  EXPECT_EQ(doc.compare(0, declaration.size(), declaration), 0);
  size_t i = declaration.size();
  bool selfClosing = false;
  i = ParseTag(doc, i, &result.svg, &selfClosing);
  EXPECT_EQ(doc[i++], '\n');
  i = ParseTag(doc, i, &result.group, &selfClosing);
  EXPECT_EQ(doc[i++], '\n');
  while (i < doc.size() && doc.compare(i, 4, "</g>") != 0) {
    Element element;
    i = ParseTag(doc, i, &element, &selfClosing);
    if (!selfClosing) {
      EXPECT_EQ(element.name, "text");
      const std::string close = "</" + element.name + ">";
      const size_t end = doc.find(close, i);
      EXPECT_NE(end, std::string::npos);
      if (end == std::string::npos) break;
      element.text = Unescape(doc.substr(i, end - i));
      i = end + close.size();
    }
    EXPECT_EQ(doc[i++], '\n');
    result.elements.push_back(element);
  }
  EXPECT_EQ(doc.substr(i), "</g>\n</svg>\n");
  return result;
}

Element Make(std::string name, std::map<std::string, std::string> attributes,
             std::string text = "") {
  return {std::move(name), std::move(attributes), std::move(text)};
}

std::string Points(const std::vector<CanvasPoint>& points) {
  std::string text;
  for (const CanvasPoint& p : points) {
    if (!text.empty()) text += ' ';
    text += std::to_string(p.x) + "," + std::to_string(p.y);
  }
  return text;
}

TEST(SvgCanvasTest, OneElementPerCallInCallOrder) {
  SvgCanvas canvas(603, 586);
  canvas.SetBrushColour(kRed);
  canvas.FillRect(-1, -1, 604, 587);
  canvas.SetPenStyle(PenStyle::kDot);
  canvas.MoveTo(0, 58);
  canvas.LineTo(603, 58);
  canvas.TextOut(2, 59, "-70");
  canvas.SetPenStyle(PenStyle::kSolid);
  canvas.LineTo(5, 5);  // from where the last line ended
  canvas.SetBrushColour(0x123456);
  canvas.Polygon(std::vector<CanvasPoint>{{8, 15}, {24, 15}, {24, 31}, {8, 31}});
  canvas.Polyline(std::vector<CanvasPoint>{{1, 2}, {3, 4}, {5, 6}, {1, 2}});
  canvas.FillRect(10, 10, 5, 5);  // empty

  const SvgDocument doc = Parse(canvas.Document());
  const std::vector<Element> expected = {
      Make("rect", {{"x", "-1"},
                    {"y", "-1"},
                    {"width", "605"},
                    {"height", "588"},
                    {"fill", "#ff0000"},
                    {"stroke", "none"}}),
      Make("line", {{"x1", "0"},
                    {"y1", "58"},
                    {"x2", "603"},
                    {"y2", "58"},
                    {"stroke", "#000000"},
                    {"stroke-dasharray", "1 2"}}),
      Make("rect", {{"x", "2"},
                    {"y", "59"},
                    {"width", "18"},
                    {"height", "13"},
                    {"fill", "#ff0000"},
                    {"stroke", "none"}}),
      Make("text", {{"x", "2"}, {"y", "69"}, {"fill", "#000000"}, {"stroke", "none"}}, "-70"),
      Make("line", {{"x1", "603"}, {"y1", "58"}, {"x2", "5"}, {"y2", "5"}, {"stroke", "#000000"}}),
      Make("polygon",
           {{"points", "8,15 24,15 24,31 8,31"}, {"fill", "#563412"}, {"stroke", "#000000"}}),
      Make("polyline", {{"points", "1,2 3,4 5,6 1,2"}, {"fill", "none"}, {"stroke", "#000000"}}),
      Make("rect", {{"x", "10"},
                    {"y", "10"},
                    {"width", "0"},
                    {"height", "0"},
                    {"fill", "#563412"},
                    {"stroke", "none"}}),
  };
  EXPECT_EQ(doc.elements, expected);
}

TEST(SvgCanvasTest, DocumentFrame) {
  const SvgDocument doc = Parse(SvgCanvas(603, 586).Document());
  EXPECT_EQ(doc.svg.name, "svg");
  EXPECT_EQ(doc.svg.attributes.at("xmlns"), "http://www.w3.org/2000/svg");
  EXPECT_EQ(doc.svg.attributes.at("width"), "603");
  EXPECT_EQ(doc.svg.attributes.at("height"), "586");
  EXPECT_EQ(doc.svg.attributes.at("viewBox"), "0 0 603 586");
  EXPECT_EQ(doc.group.name, "g");
  EXPECT_EQ(doc.group.attributes.at("transform"), "translate(0.5 0.5)");
  EXPECT_EQ(doc.group.attributes.at("fill-rule"), "evenodd");
  EXPECT_TRUE(doc.elements.empty());

  const SvgDocument negative = Parse(SvgCanvas(-3, -1).Document());
  EXPECT_EQ(negative.svg.attributes.at("viewBox"), "0 0 0 0");
}

TEST(SvgCanvasTest, ColoursAndDashPatterns) {
  EXPECT_EQ(SvgColour(kRed), "#ff0000");
  EXPECT_EQ(SvgColour(kWhite), "#ffffff");
  EXPECT_EQ(SvgColour(0x00FF00), "#00ff00");
  EXPECT_EQ(SvgColour(0xFF0000), "#0000ff");
  EXPECT_EQ(SvgColour(0xAB123456), "#563412");  // only the low 24 bits
  EXPECT_EQ(SvgDashPattern(PenStyle::kSolid), "");
  EXPECT_EQ(SvgDashPattern(PenStyle::kDash), "4 2");
  EXPECT_EQ(SvgDashPattern(PenStyle::kDot), "1 2");
  EXPECT_EQ(SvgDashPattern(PenStyle::kDashDot), "4 2 1 2");
}

TEST(SvgCanvasTest, TextIsEscapedAndAlwaysWellFormed) {
  struct Case {
    std::string text;
    std::string readBack;
  };
  const std::string kBad = "\xEF\xBF\xBD";
  const Case cases[] = {
      {"a<b&c\"d>'", "a<b&c\"d>'"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xA6", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xA6"},
      {"\xFF", kBad},
      {"\xC3(", kBad + "("},                 // a lead byte without its continuation
      {"\xC0\xAF", kBad + kBad},             // an overlong '/'
      {"\xED\xA0\x80", kBad + kBad + kBad},  // a surrogate
      {"\xEF\xBF\xBE", kBad + kBad + kBad},  // U+FFFE
      {"a\x01z", "a" + kBad + "z"},
      {std::string("n\0l", 3), "n" + kBad + "l"},
      {"\xE2\x82", kBad + kBad},  // cut short at the end
  };
  for (const Case& c : cases) {
    SvgCanvas canvas(10, 10);
    canvas.TextOut(0, 0, c.text);
    const SvgDocument doc = Parse(canvas.Document());
    ASSERT_EQ(doc.elements.size(), 2u);
    EXPECT_EQ(doc.elements[1].text, c.readBack);
  }
}

// Everything a scene asks of a canvas comes back out of its SVG, element for call.
TEST(SvgCanvasTest, SceneReadsBackAsItsCanvasCalls) {
  auto state = std::make_unique<GeneratorState>();
  CompleteRun(GeneratorControls(), *state);
  DrawSettings settings;
  settings.spPercent = 50;
  settings.rgGridStyle = 2;
  for (const bool filled : {true, false}) {
    settings.cbColouredBoxes = filled;
    settings.rgBoxColour = filled ? 1 : 0;
    RandomSource forRecording = state->randomSource;
    RandomSource forSvg = state->randomSource;
    RecordingCanvas recording;
    DrawScene(recording, 603, 586, settings, state->boxTable, state->sceneSettings, forRecording);
    SvgCanvas svg(603, 586);
    DrawScene(svg, 603, 586, settings, state->boxTable, state->sceneSettings, forSvg);

    // What each call should have written, from the recording with the canvas state replayed.
    std::vector<Element> expected;
    Colour brush = kWhite;
    PenStyle pen = PenStyle::kSolid;
    CanvasPoint position;
    for (const CanvasCall& call : recording.calls) {
      switch (call.op) {
        case Op::kBrushColour:
          brush = call.colour;
          break;
        case Op::kPenStyle:
          pen = call.style;
          break;
        case Op::kMoveTo:
          position = call.point;
          break;
        case Op::kFillRect:
          expected.push_back(Make("rect", {{"x", std::to_string(call.left)},
                                           {"y", std::to_string(call.top)},
                                           {"width", std::to_string(call.right - call.left)},
                                           {"height", std::to_string(call.bottom - call.top)},
                                           {"fill", SvgColour(brush)},
                                           {"stroke", "none"}}));
          break;
        case Op::kLineTo: {
          Element line = Make("line", {{"x1", std::to_string(position.x)},
                                       {"y1", std::to_string(position.y)},
                                       {"x2", std::to_string(call.point.x)},
                                       {"y2", std::to_string(call.point.y)},
                                       {"stroke", "#000000"}});
          if (pen != PenStyle::kSolid) {
            line.attributes["stroke-dasharray"] = std::string(SvgDashPattern(pen));
          }
          expected.push_back(line);
          position = call.point;
          break;
        }
        case Op::kTextOut:
          expected.push_back(
              Make("rect", {{"x", std::to_string(call.point.x)},
                            {"y", std::to_string(call.point.y)},
                            {"width", std::to_string(7 * static_cast<int>(call.text.size()))},
                            {"height", "13"},
                            {"fill", SvgColour(brush)},
                            {"stroke", "none"}}));
          expected.push_back(Make("text",
                                  {{"x", std::to_string(call.point.x)},
                                   {"y", std::to_string(call.point.y + 10)},
                                   {"fill", "#000000"},
                                   {"stroke", "none"}},
                                  call.text));
          break;
        case Op::kPolygon:
          expected.push_back(Make("polygon", {{"points", Points(call.points)},
                                              {"fill", SvgColour(brush)},
                                              {"stroke", "#000000"}}));
          break;
        case Op::kPolyline:
          expected.push_back(
              Make("polyline",
                   {{"points", Points(call.points)}, {"fill", "none"}, {"stroke", "#000000"}}));
          break;
      }
    }
    const SvgDocument doc = Parse(svg.Document());
    ASSERT_EQ(doc.elements.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(doc.elements[i], expected[i]) << "element " << i;
    }
    EXPECT_EQ(recording.Of(filled ? Op::kPolygon : Op::kPolyline).size(), 600u);
  }
}

}  // namespace
}  // namespace pelmora
