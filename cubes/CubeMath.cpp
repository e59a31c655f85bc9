#include "cubes/CubeMath.h"

#include <cmath>

#include "show/Geometry.h"

namespace
{
// The screen's centre, where the camera's axis meets it.
constexpr double CentreX = ScreenWidth / 2.0;
constexpr double CentreY = ScreenHeight / 2.0;
} // namespace

float FieldOfView = static_cast<float>(3.14159265358979323846 * 0.25);
// Initialised after FieldOfView: same unit, later definition.
float FocalLength = static_cast<float>(ScreenWidth / (2.0 * std::tan(double{FieldOfView} * 0.5)));

void Vector3::Transform(const Matrix4& m)
{
    const double vx = x;
    const double vy = y;
    const double vz = z;
    const auto& a = m.m;
    x = static_cast<float>(a[0] * vx + a[1] * vy + a[2] * vz + a[3]);
    y = static_cast<float>(a[4] * vx + a[5] * vy + a[6] * vz + a[7]);
    z = static_cast<float>(a[8] * vx + a[9] * vy + a[10] * vz + a[11]);
}

void Matrix4::Identity()
{
    for (float& e : m)
    {
        e = 0.0f;
    }
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

Matrix4 Matrix4::Multiply(const Matrix4& b) const
{
    Matrix4 p;
    for (int r = 0; r < 4; ++r)
    {
        const float* row = &m[4 * r];
        for (int c = 0; c < 4; ++c)
        {
            const double sum = double{row[0]} * b.m[c] + double{row[1]} * b.m[4 + c] +
                               double{row[2]} * b.m[8 + c] + double{row[3]} * b.m[12 + c];
            p.m[4 * c + r] = static_cast<float>(sum);
        }
    }
    return p;
}

void Matrix4::Translate(float x, float y, float z)
{
    Matrix4 t;
    t.m[3] = x;
    t.m[7] = y;
    t.m[11] = z;
    *this = Multiply(t);
}

void Matrix4::Rotate(float ax, float ay, float az)
{
    const float sx = static_cast<float>(std::sin(double{ax}));
    const float cx = static_cast<float>(std::cos(double{ax}));
    const float sy = static_cast<float>(std::sin(double{ay}));
    const float cy = static_cast<float>(std::cos(double{ay}));
    const float sz = static_cast<float>(std::sin(double{az}));
    const float cz = static_cast<float>(std::cos(double{az}));

    Matrix4 rx;
    rx.m[5] = cx;
    rx.m[6] = -sx;
    rx.m[9] = sx;
    rx.m[10] = cx;

    Matrix4 ry;
    ry.m[0] = cy;
    ry.m[2] = sy;
    ry.m[8] = -sy;
    ry.m[10] = cy;

    Matrix4 rz;
    rz.m[0] = cz;
    rz.m[1] = -sz;
    rz.m[4] = sz;
    rz.m[5] = cz;

    *this = Multiply(rx);
    *this = Multiply(ry);
    *this = Multiply(rz);
}

Vector3& Project(Vector3& v)
{
    const double f = FocalLength;
    v.x = static_cast<float>(f * v.x / v.z + CentreX);
    v.y = static_cast<float>(CentreY - f * v.y / v.z);
    return v;
}
