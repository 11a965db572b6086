#pragma once
// The small records that shapes, placements and bitmaps share: colours,
// rectangles, matrices and colour transforms.
#include "Movie.h"
#include "SwfReader.h"

namespace tvmplayer {

struct Point {
    double X = 0, Y = 0;
    bool operator==(const Point&) const = default;
};

// x' = A x + C y + Tx, y' = B x + D y + Ty; cairo's matrix layout.
struct Matrix {
    double A = 1, B = 0, C = 0, D = 1, Tx = 0, Ty = 0;

    Point Apply(Point p) const { return {A * p.X + C * p.Y + Tx, B * p.X + D * p.Y + Ty}; }
    // This matrix after inner: inner applies first.
    Matrix Then(const Matrix& inner) const;
    double Determinant() const { return A * D - B * C; }
    // The matrix that undoes this one; the identity for one that cannot be undone.
    Matrix Inverse() const;
    static Matrix Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Matrix Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    // A matrix between two others: what a morph at ratio t uses.
    static Matrix Blend(const Matrix& from, const Matrix& to, double t);
};

// Multiplies then adds per channel, on straight colours; 1 and 0 leave
// a colour as it is.
struct ColourTransform {
    double Mul[4] = {1, 1, 1, 1};  // red, green, blue, alpha
    double Add[4] = {0, 0, 0, 0};  // in 0..255 units

    bool Identity() const;
    Colour Apply(Colour colour) const;
    // This transform after inner.
    ColourTransform Then(const ColourTransform& inner) const;
};

Colour ReadRgb(SwfReader& reader);
Colour ReadRgba(SwfReader& reader);
Matrix ReadMatrix(SwfReader& reader);
ColourTransform ReadColourTransform(SwfReader& reader, bool withAlpha);
void SkipRect(SwfReader& reader);
Colour BlendColour(Colour from, Colour to, double t);

}
