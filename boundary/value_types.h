#pragma once

// Values handed to the game module by the node access interface: plain structures of 32-bit
// IEEE floats, laid out as listed.

struct Color {
    float red;
    float green;
    float blue;
};

struct UnitVector4 {
    float x;
    float y;
    float z;
    float w;
};

struct Vector3 {
    float x;
    float y;
    float z;
};

struct Vector2 {
    float x;
    float y;
};

static_assert(sizeof(float) == 4, "floats are 32-bit IEEE");
static_assert(sizeof(Color) == 12 && sizeof(UnitVector4) == 16 && sizeof(Vector3) == 12 &&
                  sizeof(Vector2) == 8,
              "value structures are packed floats");
