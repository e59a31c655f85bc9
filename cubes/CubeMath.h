// Vector and matrix math of the cube scene: a point, a 4x4 matrix with a transposing product,
// the transformation of a point and the perspective projection onto the 800x600 screen.
//
// Values are held as 32-bit floats. Every expression is evaluated in double precision and
// rounded to float once, when it is stored; the scene's pictures are bit-exact under this rule.
#pragma once

struct Matrix4;

// A point, (0, 0, 0) when constructed.
struct Vector3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    // Replaces the point by m * (x, y, z, 1); the fourth row of m is ignored, no divide by w.
    void Transform(const Matrix4& m);
};

// Row-major 4x4 matrix acting on column vectors: element (r, c) is m[4r + c], the translation
// sits in m[3], m[7], m[11]. The identity when constructed.
struct Matrix4
{
    float m[16] = {1.0f, 0.0f, 0.0f, 0.0f, //
                   0.0f, 1.0f, 0.0f, 0.0f, //
                   0.0f, 0.0f, 1.0f, 0.0f, //
                   0.0f, 0.0f, 0.0f, 1.0f};

    void Identity();

    // The product this * b, stored transposed: element (r, c) of this * b lands at m[4c + r].
    // So A.Multiply(B) is (A * B)^T, and a second Multiply undoes the transposition of the
    // first: (A.Multiply(B)).Multiply(C) = C^T * A * B. The cube frame composes on this.
    Matrix4 Multiply(const Matrix4& b) const;

    // this := this.Multiply(T), T the translation by (x, y, z). Applied to the identity it
    // leaves (x, y, z) in the fourth row, where Transform does not see it.
    void Translate(float x, float y, float z);

    // this := this.Multiply(Rx(ax)), then .Multiply(Ry(ay)), then .Multiply(Rz(az)). Applied
    // to the identity the result is Rz(-az) * Rx(-ax) * Ry(ay).
    void Rotate(float ax, float ay, float az);
};

// Horizontal field of view, pi / 4 in single precision (bits 3F490FDB).
extern float FieldOfView;
// Projection scale 800 / (2 tan(FieldOfView / 2)) = 965.6854248046875 (bits 44716BDE).
extern float FocalLength;

// Screen coordinates: x := FocalLength * x / z + 400, y := 300 - FocalLength * y / z, z kept.
// No guard against z <= 0: the cube scene keeps z near 20.
Vector3& Project(Vector3& v);
