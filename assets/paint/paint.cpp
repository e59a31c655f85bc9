// Quen/XDL asset painter.
//
// Renders the backgrounds of the demo's pictures as binary PPM files.
// Text is added afterwards by make-assets.sh with ImageMagick, so this
// program only draws the generative part: a synthwave title backdrop,
// a plasma, a chrome ball over a checkerboard and a neon city.
//
// Usage: paint <title|plasma|horizon|city> <width> <height> <out.ppm>
//
// Everything is deterministic: the only randomness comes from a fixed
// seed xorshift generator below.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;

struct Col
{
    double r = 0, g = 0, b = 0;
};
Col operator+(Col a, Col b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Col operator-(Col a, Col b)
{
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
Col operator*(Col a, double s)
{
    return {a.r * s, a.g * s, a.b * s};
}
Col operator*(Col a, Col b)
{
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
Col mix(Col a, Col b, double t)
{
    return a + (b - a) * t;
}
Col hex(unsigned v)
{
    return {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0};
}

double clamp01(double v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
double smooth(double e0, double e1, double x)
{
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
double fract(double x)
{
    return x - std::floor(x);
}

// Piecewise linear gradient through evenly spaced stops.
Col ramp(const std::vector<Col>& stops, double t)
{
    t = clamp01(t) * (stops.size() - 1);
    size_t i = std::min(static_cast<size_t>(t), stops.size() - 2);
    return mix(stops[i], stops[i + 1], t - i);
}

struct Rng
{
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    double uni() { return (next() >> 11) * (1.0 / 9007199254740992.0); }
};

// Hash of an integer lattice point, in [0,1).
double hash2(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0;
}

struct Image
{
    int w, h;
    std::vector<Col> px;
    Image(int w_, int h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_) {}
    Col& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }

    // Fills every pixel with the average of ss*ss samples of f(x, y).
    void shade(int ss, const std::function<Col(double, double)>& f)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                Col acc;
                for (int j = 0; j < ss; ++j)
                    for (int i = 0; i < ss; ++i)
                        acc = acc + f(x + (i + 0.5) / ss, y + (j + 0.5) / ss);
                at(x, y) = acc * (1.0 / (ss * ss));
            }
    }

    // Adds a soft round glow (used for stars and lights).
    void glow(double cx, double cy, double radius, Col c)
    {
        int r = static_cast<int>(std::ceil(radius * 3));
        for (int y = static_cast<int>(cy) - r; y <= static_cast<int>(cy) + r; ++y)
            for (int x = static_cast<int>(cx) - r; x <= static_cast<int>(cx) + r; ++x)
            {
                if (x < 0 || y < 0 || x >= w || y >= h)
                    continue;
                double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                double d2 = (dx * dx + dy * dy) / (radius * radius);
                at(x, y) = at(x, y) + c * std::exp(-d2);
            }
    }

    bool save(const std::string& path) const
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        std::fprintf(f, "P6\n%d %d\n255\n", w, h);
        std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
        for (int y = 0; y < h; ++y)
        {
            for (int x = 0; x < w; ++x)
            {
                const Col& c = px[static_cast<size_t>(y) * w + x];
                // Gentle filmic shoulder so bright glows do not clip hard.
                auto tone = [](double v)
                {
                    v = v < 0 ? 0 : v;
                    v = v < 0.8 ? v : 0.8 + 0.2 * std::tanh((v - 0.8) / 0.2);
                    return static_cast<unsigned char>(std::lround(clamp01(v) * 255.0));
                };
                row[x * 3 + 0] = tone(c.r);
                row[x * 3 + 1] = tone(c.g);
                row[x * 3 + 2] = tone(c.b);
            }
            std::fwrite(row.data(), 1, row.size(), f);
        }
        return std::fclose(f) == 0;
    }
};

// ---------------------------------------------------------------------------
// Title backdrop: starry sky, striped sunset sun and a glowing grid floor.

void paintTitle(Image& img)
{
    const double W = img.w, H = img.h;
    const double horizon = H * 0.66;
    const Col sunTop = hex(0xFFE45C), sunBottom = hex(0xFF2E88);
    const std::vector<Col> sky = {hex(0x05021A), hex(0x140A3C), hex(0x3A0E62),
                                  hex(0x8A1C7C), hex(0xE0447A), hex(0xFF9A4A)};
    const double sunX = W * 0.5, sunY = horizon - H * 0.02, sunR = H * 0.25;

    img.shade(4,
              [&](double x, double y) -> Col
              {
                  if (y < horizon)
                  {
                      Col c = ramp(sky, std::pow(y / horizon, 1.35));
                      // Sun with the classic horizontal cuts in its lower half.
                      double dx = x - sunX, dy = y - sunY;
                      double d = std::sqrt(dx * dx + dy * dy);
                      double v = (y - (sunY - sunR)) / sunR; // 0 at top of the sun, 1 at centre
                      if (d < sunR)
                      {
                          // Cuts start a little above the middle and widen downwards.
                          double from = sunY - sunR * 0.55;
                          bool cut = false;
                          if (y > from)
                          {
                              double k = (y - from) / (sunR * 0.55); // 0..1
                              double band = (y - from) / 9.0;
                              cut = fract(band) < 0.12 + 0.5 * k;
                          }
                          if (!cut)
                              return mix(sunTop, sunBottom, clamp01(v));
                      }
                      // Halo around the sun.
                      c = c +
                          hex(0xFF5C8A) * (0.55 * std::exp(-std::max(0.0, d - sunR) / (H * 0.09)));
                      return c;
                  }
                  // Floor: perspective grid of neon lines.
                  double dy = (y - horizon) / (H - horizon); // 0..1
                  double z = 1.0 / (dy + 0.02);              // distance
                  double wx = (x - W * 0.5) / W * z * 3.0;   // world x
                  double wz = z * 1.2;
                  Col base = mix(hex(0x2A0838), hex(0x0A0218), clamp01(dy * 1.4));
                  // Line strength with screen-space width that grows towards the viewer.
                  double lw = 0.035 + 0.02 * dy;
                  double gx = std::abs(fract(wx + 0.5) - 0.5);
                  double gz = std::abs(fract(wz) - 0.5);
                  gz = 0.5 - gz;
                  double lineX = 1.0 - smooth(lw * 0.4, lw * 1.6, gx);
                  double lineZ = 1.0 - smooth(lw * 0.4 * z * 0.4, lw * 1.6 * z * 0.4, gz);
                  double fade = smooth(0.0, 0.35, dy);
                  Col lineCol = mix(hex(0xFF3FD0), hex(0x40E8FF), clamp01(dy * 1.3));
                  Col c = base + lineCol * (std::max(lineX, lineZ) * (0.25 + 0.9 * fade));
                  // Horizon haze.
                  c = c + hex(0xFF7A6A) * (0.7 * std::exp(-dy * 14.0));
                  return c;
              });

    // Stars: deterministic, denser and dimmer towards the top.
    Rng rng(2026);
    for (int i = 0; i < 260; ++i)
    {
        double x = rng.uni() * W;
        double y = std::pow(rng.uni(), 1.6) * horizon * 0.8;
        double b = 0.15 + 0.85 * std::pow(rng.uni(), 3.0);
        double fadeNearSun = clamp01(1.0 - y / (horizon * 0.85));
        double hue = rng.uni();
        Col c = mix(hex(0xBFD8FF), hex(0xFFE0F0), hue) * (b * fadeNearSun);
        img.glow(x, y, 0.45 + b * 0.5, c * 1.6);
    }
    // A few bright twinkles with cross flares.
    for (int i = 0; i < 7; ++i)
    {
        double x = 20 + rng.uni() * (W - 40);
        double y = 8 + rng.uni() * horizon * 0.5;
        Col c = hex(0xE8F0FF);
        img.glow(x, y, 1.3, c * 1.2);
        for (int k = -8; k <= 8; ++k)
        {
            double f = 0.35 * std::exp(-std::abs(k) / 2.5);
            int px = static_cast<int>(x) + k, py = static_cast<int>(y);
            if (px >= 0 && px < img.w)
                img.at(px, py) = img.at(px, py) + c * f;
            px = static_cast<int>(x);
            py = static_cast<int>(y) + k;
            if (py >= 0 && py < img.h)
                img.at(px, py) = img.at(px, py) + c * f;
        }
    }
}

// ---------------------------------------------------------------------------
// Plasma: sum of sines through a sunset palette, with a soft vignette.

void paintPlasma(Image& img)
{
    const double W = img.w, H = img.h;
    const std::vector<Col> pal = {hex(0x12003A), hex(0x4A0B8A), hex(0xC21F8C), hex(0xFF5A3C),
                                  hex(0xFFC63A), hex(0xFFF3B0), hex(0xFFC63A), hex(0xFF5A3C),
                                  hex(0xC21F8C), hex(0x4A0B8A), hex(0x12003A)};
    img.shade(
        3,
        [&](double x, double y) -> Col
        {
            double u = x / W, v = y / H;
            double p =
                std::sin(x / 23.0) + std::sin(y / 17.0 + 1.3) + std::sin((x + y) / 31.0) +
                std::sin(std::sqrt((x - W * 0.7) * (x - W * 0.7) + (y - H * 0.3) * (y - H * 0.3)) /
                         14.0) +
                std::sin(std::sqrt((x - W * 0.2) * (x - W * 0.2) + (y - H * 0.8) * (y - H * 0.8)) /
                         19.0);
            double t = fract(p / 5.0 * 0.9 + 0.5 + u * 0.15);
            Col c = ramp(pal, t);
            double vx = u - 0.5, vy = v - 0.5;
            double vig = 1.0 - 0.55 * std::pow(vx * vx + vy * vy, 1.2) * 2.5;
            return c * vig;
        });
}

// ---------------------------------------------------------------------------
// Horizon: a raytraced chrome ball over an endless checkerboard.

struct V3
{
    double x, y, z;
};
V3 operator+(V3 a, V3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
double dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 norm(V3 a)
{
    return a * (1.0 / std::sqrt(dot(a, a)));
}

struct Scene
{
    V3 ballC{0.0, 1.25, 6.0};
    double ballR = 1.25;
    V3 sunDir = norm(V3{-0.42, 0.22, 1.0});

    Col sky(V3 d) const
    {
        double t = clamp01(d.y * 2.2);
        Col c = mix(hex(0xFFD7A0), mix(hex(0x38B0FF), hex(0x0838B0), clamp01(t * 1.5 - 0.2)),
                    std::pow(t, 0.6));
        double s = std::max(0.0, dot(d, sunDir));
        c = c + hex(0xFFF0C0) * (std::pow(s, 4000.0) * 3.0 + std::pow(s, 80.0) * 0.45);
        // Soft stripes of cloud.
        if (d.y > 0.0)
        {
            double cl = std::sin(d.x / (d.y + 0.15) * 2.0 + std::sin(d.y * 40.0)) * 0.5 + 0.5;
            c = mix(c, hex(0xFFFFFF),
                    0.12 * cl * smooth(0.02, 0.15, d.y) * (1 - smooth(0.3, 0.6, d.y)));
        }
        return c;
    }

    // Returns distance to the ball along the ray or -1.
    double hitBall(V3 o, V3 d) const
    {
        V3 oc = o - ballC;
        double b = dot(oc, d);
        double c = dot(oc, oc) - ballR * ballR;
        double disc = b * b - c;
        if (disc < 0)
            return -1;
        double t = -b - std::sqrt(disc);
        return t > 1e-4 ? t : -1;
    }

    Col floor(V3 p, double dist) const
    {
        double cx = std::floor(p.x * 0.5), cz = std::floor(p.z * 0.5);
        bool odd = (static_cast<long>(cx + cz) & 1) != 0;
        Col a = hex(0xFF6A2A), b = hex(0x103A6A);
        Col c = odd ? a : b;
        // Ball shadow.
        V3 toSun = sunDir;
        if (hitBall(p + V3{0, 1e-3, 0}, toSun) > 0)
            c = c * 0.35;
        // Soft contact darkening under the ball.
        double dx = p.x - ballC.x, dz = p.z - ballC.z;
        c = c * (1.0 - 0.5 * std::exp(-(dx * dx + dz * dz) / 1.2));
        double fog = 1.0 - std::exp(-dist * 0.022);
        return mix(c, hex(0xFFC9A0), fog);
    }

    Col trace(V3 o, V3 d, int depth) const
    {
        double tb = hitBall(o, d);
        double tf = d.y < -1e-6 ? -o.y / d.y : -1;
        if (tb > 0 && (tf < 0 || tb < tf))
        {
            V3 p = o + d * tb;
            V3 n = norm(p - ballC);
            V3 r = d - n * (2 * dot(d, n));
            Col c = depth < 3 ? trace(p + n * 1e-4, r, depth + 1) : sky(r);
            double fres = 0.55 + 0.45 * std::pow(1.0 - std::abs(dot(d, n)), 3.0);
            Col tint = hex(0xE8F4FF);
            double glint = std::pow(std::max(0.0, dot(r, sunDir)), 120.0);
            return c * tint * fres + hex(0xFFFFFF) * glint * 2.0;
        }
        if (tf > 0)
        {
            V3 p = o + d * tf;
            return floor(p, tf);
        }
        return sky(d);
    }
};

void paintHorizon(Image& img)
{
    const double W = img.w, H = img.h;
    Scene sc;
    V3 eye{0.0, 2.0, -1.5};
    img.shade(3,
              [&](double x, double y) -> Col
              {
                  double u = (x - W * 0.5) / H;
                  double v = (H * 0.5 - y) / H;
                  V3 d = norm(V3{u, v - 0.12, 1.1});
                  return sc.trace(eye, d, 0);
              });
}

// ---------------------------------------------------------------------------
// Neon city: a skyline of lit windows with neon trims, over a wet street
// grid. Lots of straight vertical and horizontal edges by design.

struct Building
{
    double x0, x1, top;
    Col neon, window;
    int seed;
};

void paintCity(Image& img)
{
    const double W = img.w, H = img.h;
    const double street = H * 0.76;
    Rng rng(77);
    const Col neons[] = {hex(0xFF2FB4), hex(0x2FE8FF), hex(0xFFE03A), hex(0x7A5CFF), hex(0x3AFF8A)};
    const Col windows[] = {hex(0xFFD27A), hex(0x8AF0FF), hex(0xFF9AD6), hex(0xFFF4C8)};

    // Two layers: a dim far skyline and the near one.
    std::vector<Building> far, near;
    for (double x = -10; x < W + 10;)
    {
        double w = 18 + rng.uni() * 30;
        far.push_back({x, x + w, street - 70 - rng.uni() * 110, neons[rng.next() % 5],
                       windows[rng.next() % 4], static_cast<int>(rng.next() % 100000)});
        x += w + 2;
    }
    for (double x = -6; x < W + 6;)
    {
        double w = 30 + rng.uni() * 38;
        near.push_back({x, x + w, street - 40 - rng.uni() * 150, neons[rng.next() % 5],
                        windows[rng.next() % 4], static_cast<int>(rng.next() % 100000)});
        x += w + 4 + rng.uni() * 6;
    }

    const std::vector<Col> sky = {hex(0x02030F), hex(0x0A0E3A), hex(0x241266), hex(0x6A1A7A),
                                  hex(0xC2306A)};

    auto buildingAt = [&](const std::vector<Building>& bs, double x, double y, double dim,
                          Col& out) -> bool
    {
        for (const Building& b : bs)
        {
            if (x < b.x0 || x >= b.x1 || y < b.top || y >= street)
                continue;
            Col body = hex(0x0C0A1E) * (dim < 1 ? 1.3 : 1.0);
            double lx = x - b.x0, ly = y - b.top;
            // Windows: 4x5 cells with 2 px lit panes, some dark.
            int cx = static_cast<int>(std::floor((lx - 3) / 6.0));
            int cy = static_cast<int>(std::floor((ly - 5) / 7.0));
            double fx = (lx - 3) - cx * 6.0, fy = (ly - 5) - cy * 7.0;
            bool inside = lx > 3 && lx < (b.x1 - b.x0) - 3 && ly > 5;
            if (inside && fx < 3.5 && fy < 4.0 && hash2(cx, cy, b.seed) < 0.62)
            {
                double flick = 0.6 + 0.4 * hash2(cx, cy, b.seed + 7);
                body = b.window * (flick * dim);
            }
            // Neon trim along the roof line and the sides.
            double edge = std::min({ly, lx, (b.x1 - b.x0) - lx});
            if (edge < 1.5)
                body = body + b.neon * (1.3 * dim);
            // A horizontal neon band every so often.
            if (dim >= 1 && hash2(b.seed, 3, 11) < 0.5)
            {
                double bandY = 18 + hash2(b.seed, 5, 13) * 30;
                if (std::abs(ly - bandY) < 1.6)
                    body = b.neon * 1.4;
            }
            out = body;
            return true;
        }
        return false;
    };

    img.shade(3,
              [&](double x, double y) -> Col
              {
                  if (y < street)
                  {
                      Col c;
                      if (buildingAt(near, x, y, 1.0, c))
                          return c;
                      if (buildingAt(far, x, y, 0.45, c))
                          return c * 0.9 + hex(0x2A1050) * 0.5;
                      c = ramp(sky, std::pow(y / street, 1.2));
                      // Faint horizontal scan bands in the sky.
                      c = c * (0.9 + 0.1 * std::sin(y * 0.9));
                      return c;
                  }
                  // Street: reflection of the skyline broken by a neon floor grid.
                  double dy = (y - street) / (H - street);
                  double ry = street - (y - street) * 1.8;
                  Col refl;
                  if (!buildingAt(near, x, ry, 0.5, refl))
                      refl = ramp(sky, std::pow(std::max(0.0, ry) / street, 1.2)) * 0.5;
                  refl = refl * (0.55 - 0.3 * dy) * (0.85 + 0.15 * std::sin(y * 2.1));
                  double z = 1.0 / (dy + 0.06);
                  double wx = (x - W * 0.5) / W * z * 2.0;
                  double wz = z * 0.9;
                  double gx = std::abs(fract(wx + 0.5) - 0.5);
                  double gz = std::abs(fract(wz) - 0.5);
                  double lw = 0.05;
                  double line =
                      std::max(1.0 - smooth(lw * 0.3, lw, gx), smooth(0.5 - lw * z * 0.1, 0.5, gz));
                  return hex(0x05030C) + refl + hex(0x2FE8FF) * (line * (0.2 + 0.8 * dy));
              });

    // Street lamps' glow at the curb.
    for (int i = 0; i < 6; ++i)
    {
        double x = (i + 0.5) * W / 6.0;
        img.glow(x, street + 1, 2.5, hex(0xFFB060) * 1.2);
        img.glow(x, street + 1, 9.0, hex(0xFF6A30) * 0.25);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
    {
        std::fprintf(stderr, "usage: %s <title|plasma|horizon|city> <width> <height> <out.ppm>\n",
                     argv[0]);
        return 2;
    }
    std::string kind = argv[1];
    int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
    if (w <= 0 || h <= 0)
    {
        std::fprintf(stderr, "bad size\n");
        return 2;
    }
    Image img(w, h);
    if (kind == "title")
        paintTitle(img);
    else if (kind == "plasma")
        paintPlasma(img);
    else if (kind == "horizon")
        paintHorizon(img);
    else if (kind == "city")
        paintCity(img);
    else
    {
        std::fprintf(stderr, "unknown picture '%s'\n", kind.c_str());
        return 2;
    }
    if (!img.save(argv[4]))
    {
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
