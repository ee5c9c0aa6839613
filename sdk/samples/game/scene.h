#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "boundary/value_types.h"
#include "boundary/xml_reader.h"

// One scene of game.xml, copied out of the document (whose nodes live only while the game
// runs) into plain values, and drawn with GDI.
struct Shape {
    enum Kind { Rectangle, Circle, Orbit, Ball, Text, Star } kind;
    COLORREF color;
    Vector2 position;  // centre for circles, orbits and the ball; top-left otherwise
    Vector2 size;      // rectangles
    float radius;      // circles, the ball, orbits (of the orbit itself)
    float planetRadius;
    float period;      // seconds per turn of an orbit
    Vector2 velocity;  // pixels per second of the ball
    int fontSize;
    std::wstring text;
};

struct Scene {
    COLORREF background = RGB(0, 0, 0);
    std::vector<Shape> shapes;
};

// The scene named `name` among the "Scene" children of `gameRoot`; false when there is none.
bool loadScene(IXmlReaderNode& gameRoot, const wchar_t* name, Scene& scene);

// Moves the ball by `seconds` within a client area of `width` x `height`.
void advance(Scene& scene, float seconds, int width, int height);

// Draws the scene at `time` seconds into `dc`, whose area is `width` x `height`.
void draw(const Scene& scene, HDC dc, int width, int height, float time);
