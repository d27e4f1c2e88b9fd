#pragma once
// Raised, outlined shapes: the one way lettering, rings and sprites are painted, so that every
// picture of the show has the same light (from the upper left), edge and depth.

#include <functional>

#include "Canvas.h"

namespace art {

struct RaisedStyle {
  double outline = 2.5;        // dark edge around the shape, in pixels
  int extrude = 0;             // depth of the dark block behind the shape, down and right
  int bevelRadius = 3;         // how far in from the edge the surface rounds off
  double depth = 6.0;          // steepness of that rounding
  double specular = 0.8;       // strength of the highlight
  int shininess = 24;          // tightness of the highlight
  Rgb outlineColour = rgb(0x0A0F24);
};

// base(x, y) gives the surface colour before light.
void paintRaised(Layer& layer, const Mask& shape, const std::function<Rgb(int, int)>& base, const RaisedStyle& style);

// src copied into a new width x height mask at (x, y).
Mask placed(int width, int height, const Mask& src, int x, int y);
// A disc or a ring (inner radius 0 for a disc) with antialiased edges.
Mask ringMask(int width, int height, double cx, double cy, double outer, double inner);
// Coverage of an arbitrary inside test, 4 x 4 samples per pixel, tested only inside area (all
// of the mask when area is empty).
Mask coverage(int width, int height, const std::function<bool(double, double)>& inside, Box area = {0, 0, 0, 0});

}  // namespace art
