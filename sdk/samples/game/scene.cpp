#include "scene.h"

#include <cmath>

#include "boundary/csafe_string.h"

namespace {

// The library gives a colour name or "#RRGGBB" as 0..1 per channel and three numbers as written.
// This sample lets data write numbers as bytes too: when any component is above 1 it takes all
// three as 0..255, otherwise as 0..1 (so "1,0,0" is full red, not almost black).
COLORREF toColorRef(const Color& c) {
    const bool bytes = c.red > 1 || c.green > 1 || c.blue > 1;
    const auto channel = [bytes](float v) { return static_cast<BYTE>(std::lround(std::fmin(std::fmax(bytes ? v : v * 255, 0.0f), 255.0f))); };
    return RGB(channel(c.red), channel(c.green), channel(c.blue));
}

// The attribute readers leave `value` as it is when the attribute is missing or malformed.
template <class T>
void read(IXmlReaderNode& node, const wchar_t* name, bool (IXmlReaderNode::*get)(std::int32_t, T*), T& value) {
    (node.*get)(node.findAttribute(name, false), &value);
}

COLORREF readColor(IXmlReaderNode& node, COLORREF fallback) {
    Color color;
    return node.getAttributeColor(node.findAttribute(L"color", false), &color) ? toColorRef(color) : fallback;
}

// Stars are scattered from a seed, so the sky is the same on every run.
void addStars(IXmlReaderNode& node, Scene& scene) {
    std::int32_t count = 50, seed = 1;
    read(node, L"count", &IXmlReaderNode::getAttributeLong, count);
    read(node, L"seed", &IXmlReaderNode::getAttributeLong, seed);
    auto state = static_cast<std::uint32_t>(seed);
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>((state >> 8) % static_cast<std::uint32_t>(range));
    };
    for (std::int32_t i = 0; i < count; ++i) {
        Shape star{};
        star.kind = Shape::Star;
        star.color = readColor(node, RGB(255, 255, 255));
        star.position = {next(800), next(560)};
        star.radius = 1 + next(2);
        scene.shapes.push_back(star);
    }
}

Shape readShape(IXmlReaderNode& node, Shape::Kind kind) {
    Shape shape{};
    shape.kind = kind;
    shape.color = readColor(node, RGB(255, 255, 255));
    shape.radius = 10;
    shape.period = 10;
    shape.fontSize = 16;
    read(node, kind == Shape::Orbit ? L"center" : L"position", &IXmlReaderNode::getAttributeVector2, shape.position);
    read(node, L"size", &IXmlReaderNode::getAttributeVector2, shape.size);
    read(node, L"radius", &IXmlReaderNode::getAttributeFloat, shape.radius);
    read(node, L"planetRadius", &IXmlReaderNode::getAttributeFloat, shape.planetRadius);
    read(node, L"period", &IXmlReaderNode::getAttributeFloat, shape.period);
    read(node, L"velocity", &IXmlReaderNode::getAttributeVector2, shape.velocity);
    read(node, L"size", &IXmlReaderNode::getAttributeLong, shape.fontSize);
    shape.text = node.getText();
    return shape;
}

struct ShapeName {
    const wchar_t* name;
    Shape::Kind kind;
};
const ShapeName kShapes[] = {{L"Rect", Shape::Rectangle}, {L"Circle", Shape::Circle}, {L"Orbit", Shape::Orbit},
                             {L"Ball", Shape::Ball}, {L"Text", Shape::Text}};

template <class T>
struct GdiObject {
    explicit GdiObject(T handle) : handle(handle) {}
    ~GdiObject() { DeleteObject(handle); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T handle;
};

void fillCircle(HDC dc, float x, float y, float radius, COLORREF color) {
    GdiObject<HBRUSH> brush(CreateSolidBrush(color));
    const HGDIOBJ oldBrush = SelectObject(dc, brush.handle);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, std::lround(x - radius), std::lround(y - radius), std::lround(x + radius) + 1, std::lround(y + radius) + 1);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void drawShape(const Shape& shape, HDC dc, float time) {
    switch (shape.kind) {
    case Shape::Rectangle: {
        GdiObject<HBRUSH> brush(CreateSolidBrush(shape.color));
        const RECT area{std::lround(shape.position.x), std::lround(shape.position.y),
                        std::lround(shape.position.x + shape.size.x), std::lround(shape.position.y + shape.size.y)};
        FillRect(dc, &area, brush.handle);
        break;
    }
    case Shape::Circle:
    case Shape::Ball:
    case Shape::Star: fillCircle(dc, shape.position.x, shape.position.y, shape.radius, shape.color); break;
    case Shape::Orbit: {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(52, 58, 120)));
        const HGDIOBJ oldPen = SelectObject(dc, pen.handle);
        const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
        Ellipse(dc, std::lround(shape.position.x - shape.radius), std::lround(shape.position.y - shape.radius),
                std::lround(shape.position.x + shape.radius), std::lround(shape.position.y + shape.radius));
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        const float angle = 6.2831853f * time / (shape.period > 0 ? shape.period : 1);
        fillCircle(dc, shape.position.x + shape.radius * std::cos(angle), shape.position.y + shape.radius * std::sin(angle),
                   shape.planetRadius, shape.color);
        break;
    }
    case Shape::Text: {
        GdiObject<HFONT> font(CreateFontW(-shape.fontSize, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                          DEFAULT_PITCH | FF_SWISS, L"Arial"));
        const HGDIOBJ oldFont = SelectObject(dc, font.handle);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, shape.color);
        TextOutW(dc, std::lround(shape.position.x), std::lround(shape.position.y), shape.text.c_str(),
                 static_cast<int>(shape.text.size()));
        SelectObject(dc, oldFont);
        break;
    }
    }
}

}  // namespace

bool loadScene(IXmlReaderNode& gameRoot, const wchar_t* name, Scene& scene) {
    for (std::int32_t i = -1; (i = gameRoot.findChildIndex(L"Scene", i, false)) != -1;) {
        IXmlReaderNode& candidate = *gameRoot.getChild(i);
        WideString sceneName;
        CSafeStringW out(sceneName);
        if (!candidate.getAttributeString(candidate.findAttribute(L"name", false), &out) || sceneName != name) continue;
        Color background;
        if (candidate.getAttributeColor(candidate.findAttribute(L"background", false), &background))
            scene.background = toColorRef(background);
        for (std::uint32_t c = 0; c < candidate.getChildCount(); ++c) {
            IXmlReaderNode& child = *candidate.getChild(static_cast<std::int32_t>(c));
            if (child.isName(L"Stars")) addStars(child, scene);
            for (const ShapeName& shape : kShapes)
                if (child.isName(shape.name)) scene.shapes.push_back(readShape(child, shape.kind));
        }
        return true;
    }
    return false;
}

void advance(Scene& scene, float seconds, int width, int height) {
    for (Shape& ball : scene.shapes) {
        if (ball.kind != Shape::Ball) continue;
        ball.position.x += ball.velocity.x * seconds;
        ball.position.y += ball.velocity.y * seconds;
        if ((ball.position.x < ball.radius && ball.velocity.x < 0) || (ball.position.x > width - ball.radius && ball.velocity.x > 0))
            ball.velocity.x = -ball.velocity.x;
        if ((ball.position.y < ball.radius && ball.velocity.y < 0) || (ball.position.y > height - ball.radius && ball.velocity.y > 0))
            ball.velocity.y = -ball.velocity.y;
    }
}

void draw(const Scene& scene, HDC dc, int width, int height, float time) {
    GdiObject<HBRUSH> background(CreateSolidBrush(scene.background));
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, background.handle);
    for (const Shape& shape : scene.shapes) drawShape(shape, dc, time);
}
