// Renders the nine slide pictures of the screen saver as 24-bit BMP files.
// Everything is procedural and seeded with fixed numbers, so a rebuild gives
// byte-identical files and the committed assets can be checked against it.
//
//   make_pictures <output folder>   ->  picture0.bmp ... picture8.bmp

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int W = 335;
constexpr int H = 300;
constexpr double PI = 3.14159265358979323846;

// ---------------------------------------------------------------- colour maths

struct Rgb {
  double r = 0, g = 0, b = 0;
};

Rgb operator+(Rgb a, Rgb b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb operator*(Rgb a, double k) {
  return {a.r * k, a.g * k, a.b * k};
}

Rgb hex(std::uint32_t v) {
  return {((v >> 16) & 0xff) / 255.0, ((v >> 8) & 0xff) / 255.0, (v & 0xff) / 255.0};
}

double clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

Rgb mix(Rgb a, Rgb b, double t) {
  return a + (b + a * -1.0) * t;
}

double smoothstep(double e0, double e1, double x) {
  const double t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

double sq(double v) {
  return v * v;
}

using Stops = std::vector<std::pair<double, Rgb>>;

// Piecewise-linear colour ramp; stops must be sorted by position.
Rgb ramp(const Stops& stops, double t) {
  if (t <= stops.front().first) return stops.front().second;
  for (std::size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].first) {
      const auto& [p0, c0] = stops[i - 1];
      const auto& [p1, c1] = stops[i];
      return mix(c0, c1, (t - p0) / (p1 - p0));
    }
  }
  return stops.back().second;
}

// ------------------------------------------------------------ randomness, noise

// splitmix64: tiny, well mixed and identical on every platform, unlike std::rand.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double uniform() { return (next() >> 11) * (1.0 / 9007199254740992.0); }
  double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state_;
};

double hash2(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                    static_cast<std::uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return h / 4294967296.0;
}

double valueNoise(double x, double y, std::uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
  const double u = fade(x - fx), v = fade(y - fy);
  const double a = hash2(ix, iy, seed), b = hash2(ix + 1, iy, seed);
  const double c = hash2(ix, iy + 1, seed), d = hash2(ix + 1, iy + 1, seed);
  return (a + (b - a) * u) * (1 - v) + (c + (d - c) * u) * v;
}

// Fractal noise in [0, 1].
double fbm(double x, double y, int octaves, std::uint32_t seed) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * valueNoise(x, y, seed + 101u * i);
    norm += amp;
    amp *= 0.5;
    x = x * 2.03 + 17.1;
    y = y * 2.03 + 5.3;
  }
  return sum / norm;
}

// ---------------------------------------------------------------------- canvas

struct Canvas {
  std::vector<Rgb> px = std::vector<Rgb>(std::size_t(W) * H);

  static bool contains(int x, int y) { return x >= 0 && y >= 0 && x < W && y < H; }
  Rgb& at(int x, int y) { return px[static_cast<std::size_t>(y) * W + x]; }
  void blend(int x, int y, Rgb c, double a) {
    if (!contains(x, y) || a <= 0) return;
    Rgb& p = at(x, y);
    p = mix(p, c, std::min(a, 1.0));
  }
  void add(int x, int y, Rgb c, double a) {
    if (!contains(x, y) || a <= 0) return;
    at(x, y) = at(x, y) + c * a;
  }
};

// Calls f(x, y) for every pixel of the box, clipped to the canvas.
template <class F>
void forBox(double x0, double y0, double x1, double y1, F f) {
  const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
  const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
  const int ix1 = std::min(W - 1, static_cast<int>(std::ceil(x1)));
  const int iy1 = std::min(H - 1, static_cast<int>(std::ceil(y1)));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) f(x, y);
}

template <class F>
void forAll(F f) {
  forBox(0, 0, W - 1, H - 1, f);
}

// Paints an arbitrary shape given by an inside test. Coverage is sampled 4x4
// per pixel so curved and diagonal edges come out smooth.
template <class Inside, class Colour>
void fillShape(Canvas& c, double x0, double y0, double x1, double y1, Inside inside, Colour colour,
               double alpha = 1.0) {
  constexpr int S = 4;
  forBox(x0, y0, x1, y1, [&](int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < S; ++sy)
      for (int sx = 0; sx < S; ++sx)
        if (inside(x + (sx + 0.5) / S, y + (sy + 0.5) / S)) ++hits;
    if (hits) c.blend(x, y, colour(x + 0.5, y + 0.5), alpha * hits / (S * S));
  });
}

auto solid(Rgb col) {
  return [col](double, double) { return col; };
}

void disc(Canvas& c, double cx, double cy, double r, Rgb col, double alpha = 1.0) {
  forBox(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1, [&](int x, int y) {
    const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
    c.blend(x, y, col, alpha * clamp01(r - d + 0.5));
  });
}

void ring(Canvas& c, double cx, double cy, double r, double width, Rgb col, double alpha = 1.0) {
  forBox(cx - r - width - 1, cy - r - width - 1, cx + r + width + 1, cy + r + width + 1,
         [&](int x, int y) {
           const double d = std::abs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r);
           c.blend(x, y, col, alpha * clamp01(width / 2 - d + 0.5));
         });
}

double segmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double len2 = dx * dx + dy * dy;
  const double t = len2 > 0 ? clamp01(((px - ax) * dx + (py - ay) * dy) / len2) : 0.0;
  return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// Round-capped line; thin lines fade out instead of vanishing.
void line(Canvas& c, double ax, double ay, double bx, double by, double width, Rgb col,
          double alpha = 1.0) {
  const double pad = width + 1;
  forBox(std::min(ax, bx) - pad, std::min(ay, by) - pad, std::max(ax, bx) + pad,
         std::max(ay, by) + pad, [&](int x, int y) {
           const double d = segmentDistance(x + 0.5, y + 0.5, ax, ay, bx, by);
           const double w = std::max(width, 1.0);
           c.blend(x, y, col, alpha * (width / w) * clamp01(w / 2 - d + 0.5));
         });
}

// Additive soft light, used for suns, lamps and sparkles.
void glow(Canvas& c, double cx, double cy, double radius, Rgb col, double strength) {
  const double reach = radius * 3;
  forBox(cx - reach, cy - reach, cx + reach, cy + reach, [&](int x, int y) {
    const double d2 = sq(x + 0.5 - cx) + sq(y + 0.5 - cy);
    c.add(x, y, col, strength * std::exp(-d2 / (radius * radius)));
  });
}

struct Pt {
  double x, y;
};

bool inPolygon(const std::vector<Pt>& poly, double x, double y) {
  bool in = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt a = poly[i], b = poly[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

void polygon(Canvas& c, const std::vector<Pt>& poly, Rgb col, double alpha = 1.0) {
  double x0 = W, y0 = H, x1 = 0, y1 = 0;
  for (const Pt& p : poly) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  fillShape(
      c, x0, y0, x1, y1, [&](double x, double y) { return inPolygon(poly, x, y); }, solid(col),
      alpha);
}

// Rotated ellipse centred on (cx, cy).
void ellipse(Canvas& c, double cx, double cy, double rx, double ry, double angle, Rgb col,
             double alpha = 1.0) {
  const double ca = std::cos(angle), sa = std::sin(angle), r = std::max(rx, ry);
  fillShape(
      c, cx - r, cy - r, cx + r, cy + r,
      [&](double x, double y) {
        const double u = (x - cx) * ca + (y - cy) * sa, v = -(x - cx) * sa + (y - cy) * ca;
        return sq(u / rx) + sq(v / ry) <= 1;
      },
      solid(col), alpha);
}

// Fills everything below a height profile (a skyline, hills, a mountain range).
// The profile is sampled four times across each pixel for smooth ridges.
template <class Profile, class Colour>
void fillBelow(Canvas& c, Profile profile, Colour colour, double alpha = 1.0) {
  for (int x = 0; x < W; ++x) {
    std::array<double, 4> top{};
    double highest = H;
    for (int s = 0; s < 4; ++s) {
      top[s] = profile(x + (s + 0.5) / 4);
      highest = std::min(highest, top[s]);
    }
    for (int y = std::max(0, static_cast<int>(highest)); y < H; ++y) {
      double cov = 0;
      for (double t : top) cov += clamp01(y + 1 - t) / 4;
      if (cov > 0) c.blend(x, y, colour(x + 0.5, y + 0.5), alpha * cov);
    }
  }
}

void verticalGradient(Canvas& c, double y0, double y1, const Stops& stops) {
  forBox(0, y0, W - 1, y1,
         [&](int x, int y) { c.at(x, y) = ramp(stops, (y + 0.5 - y0) / (y1 - y0)); });
}

// A stylised conifer: trunk plus three stacked triangles.
void pine(Canvas& c, double x, double baseY, double height, Rgb col) {
  const double w = height * 0.42;
  polygon(c,
          {{x - w * 0.08, baseY + 1},
           {x + w * 0.08, baseY + 1},
           {x + w * 0.08, baseY - height * 0.3},
           {x - w * 0.08, baseY - height * 0.3}},
          col);
  for (int tier = 0; tier < 3; ++tier) {
    const double bottom = baseY - height * (0.12 + 0.27 * tier);
    const double top = bottom - height * (0.52 - 0.06 * tier);
    const double half = w * (1.0 - 0.25 * tier);
    polygon(c, {{x - half, bottom}, {x + half, bottom}, {x, top}}, col);
  }
}

// ------------------------------------------------------------------- pictures

Canvas sunsetOverSea() {
  Canvas c;
  const double horizon = 186, sunX = 205, sunY = 170, sunR = 30;
  const Stops sky = {{0.0, hex(0x1c1540)},
                     {0.3, hex(0x55285f)},
                     {0.6, hex(0xb4465e)},
                     {0.85, hex(0xf08748)},
                     {1.0, hex(0xffc56c)}};
  forBox(0, 0, W - 1, horizon, [&](int x, int y) {
    const double d = std::hypot(x - sunX, (y - sunY) * 1.5);
    c.at(x, y) = ramp(sky, y / horizon) + hex(0xff8a3a) * (0.45 * std::exp(-d / 80));
  });

  // Long thin clouds, dark on top and lit from below by the low sun.
  forBox(0, 20, W - 1, horizon - 12, [&](int x, int y) {
    const double n = fbm(x / 110.0, y / 7.0, 5, 11);
    const double band =
        smoothstep(0.52, 0.66, n) * smoothstep(20, 60, y) * (1 - smoothstep(140, horizon - 12, y));
    const double lit =
        clamp01(0.25 + 0.55 * (y - 20) / 150.0 + 0.4 * std::exp(-std::abs(x - sunX) / 90.0));
    c.blend(x, y, mix(hex(0x3a1c44), hex(0xffa070), lit * lit), band * 0.85);
  });

  glow(c, sunX, sunY, 40, hex(0xffb060), 0.45);
  fillShape(
      c, sunX - sunR, sunY - sunR, sunX + sunR, horizon,
      [&](double x, double y) { return y < horizon && std::hypot(x - sunX, y - sunY) < sunR; },
      [&](double, double y) {
        return mix(hex(0xfff7d8), hex(0xffb347), (y - sunY + sunR) / (2 * sunR));
      });

  // Sea: perspective-stretched wave noise plus the broken golden path of the sun.
  forBox(0, horizon, W - 1, H - 1, [&](int x, int y) {
    const double depth = y + 0.5 - horizon;
    const double t = depth / (H - horizon);
    Rgb col = ramp(
        {{0.0, hex(0xd87a52)}, {0.15, hex(0x8a3c55)}, {0.5, hex(0x3a2148)}, {1.0, hex(0x120e26)}},
        t);
    const double scale = 1.5 + depth * 0.35;
    const double v = 24.0 * std::log1p(depth / 3.0);
    const double wave = fbm((x - 167) / (scale * 6), v / 2.5, 3, 21);
    col = col * (0.8 + 0.4 * wave);
    const double spread = 10 + depth * 0.9;
    const double path = std::exp(-sq((x - sunX) / spread));
    const double streak = smoothstep(0.5, 0.68, fbm((x - 167) / (scale * 3), v / 1.2, 3, 31));
    col = col + hex(0xffc878) * (path * streak * (1.1 - 0.7 * t));
    c.at(x, y) = col;
  });
  line(c, 0, horizon, W, horizon, 1.0, hex(0xffd08a), 0.35);

  // A few distant birds.
  const std::array<Pt, 4> birds = {{{92, 92}, {110, 84}, {128, 98}, {70, 104}}};
  for (std::size_t i = 0; i < birds.size(); ++i) {
    const double s = 4.5 - i * 0.6;
    const Pt b = birds[i];
    line(c, b.x - s, b.y - s * 0.5, b.x, b.y, 1.1, hex(0x24112a));
    line(c, b.x, b.y, b.x + s, b.y - s * 0.6, 1.1, hex(0x24112a));
  }
  return c;
}

Canvas starryNight() {
  Canvas c;
  verticalGradient(
      c, 0, H,
      {{0.0, hex(0x03061a)}, {0.55, hex(0x0c1738)}, {0.85, hex(0x22315c)}, {1.0, hex(0x2c3b66)}});

  // Faint milky way running diagonally.
  forAll([&](int x, int y) {
    const double dist = std::abs((x - 0) * 0.55 + (y - 250)) / std::hypot(0.55, 1.0);
    const double band = std::exp(-sq(dist / 40)) * (0.35 + 0.65 * fbm(x / 30.0, y / 30.0, 4, 5));
    c.add(x, y, hex(0x8090c0), 0.22 * band);
  });

  Rng rng(1001);
  for (int i = 0; i < 340; ++i) {
    const double x = rng.range(0, W), y = rng.range(0, 255);
    const double m = std::pow(rng.uniform(), 5.0);
    const std::array<Rgb, 3> tints = {hex(0xffffff), hex(0xcfe0ff), hex(0xfff0c8)};
    const Rgb tint = tints[rng.below(3)];
    disc(c, x, y, 0.35 + 1.0 * m, tint, 0.45 + 0.55 * std::sqrt(m));
    if (m > 0.35) glow(c, x, y, 2.5 + 3 * m, tint, 0.25 * m);
    if (m > 0.6) {
      const double a = 5 + 9 * m;
      line(c, x - a, y, x + a, y, 0.7, tint, 0.5);
      line(c, x, y - a, x, y + a, 0.7, tint, 0.5);
    }
  }

  // Crescent moon with a soft halo and faint maria.
  const double mx = 256, my = 68, mr = 27;
  glow(c, mx, my, 55, hex(0x9fb4ff), 0.16);
  fillShape(
      c, mx - mr, my - mr, mx + mr, my + mr,
      [&](double x, double y) {
        return std::hypot(x - mx, y - my) < mr && std::hypot(x - mx + 13, y - my + 9) > mr * 0.93;
      },
      [&](double x, double y) {
        return mix(hex(0xfff8e0), hex(0xd9cfae),
                   smoothstep(0.45, 0.75, fbm(x / 7.0, y / 7.0, 3, 77)));
      });

  auto farHill = [](double x) {
    return 238 + 26 * (fbm(x / 90.0, 1.5, 4, 41) - 0.5) + 8 * std::sin(x / 47.0);
  };
  auto nearHill = [](double x) {
    return 262 + 30 * (fbm(x / 70.0, 9.5, 4, 43) - 0.5) - 12 * std::sin(x / 80.0 + 1);
  };
  fillBelow(c, farHill, solid(hex(0x0e1630)));
  Rng trees(1002);
  // A position stepped by random widths, not a count; the pictures depend on it.
  // NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter)
  for (double x = 4; x < W; x += trees.range(7, 22))
    if (x < 150 || x > 215) pine(c, x, nearHill(x) + 4, trees.range(16, 38), hex(0x04060d));
  fillBelow(c, nearHill, solid(hex(0x04060d)));

  // A small cabin with one warm window.
  const double cx = 182, base = nearHill(182) + 3;
  polygon(c, {{cx - 15, base}, {cx + 15, base}, {cx + 15, base - 16}, {cx - 15, base - 16}},
          hex(0x05070e));
  polygon(c, {{cx - 19, base - 15}, {cx + 19, base - 15}, {cx, base - 30}}, hex(0x05070e));
  line(c, cx + 8, base - 22, cx + 8, base - 33, 4, hex(0x05070e));
  glow(c, cx - 4, base - 9, 7, hex(0xffb347), 0.4);
  polygon(c, {{cx - 8, base - 5}, {cx, base - 5}, {cx, base - 12}, {cx - 8, base - 12}},
          hex(0xffc766));
  return c;
}

Canvas snowyMountains() {
  Canvas c;
  verticalGradient(c, 0, 210, {{0.0, hex(0x2f6cb8)}, {0.65, hex(0x8ec0ea)}, {1.0, hex(0xdcecf7)}});
  forBox(0, 10, W - 1, 120, [&](int x, int y) {
    const double n = fbm(x / 70.0, y / 22.0, 5, 3);
    c.blend(x, y, hex(0xffffff), 0.8 * smoothstep(0.55, 0.75, n) * (1 - smoothstep(60, 120, y)));
  });

  // Distant pale range.
  auto far = [](double x) { return 128 - 40 * fbm(x / 45.0, 0.5, 5, 61); };
  fillBelow(c, far, [&](double x, double y) {
    const bool snow = y < far(x) + 10 + 10 * fbm(x / 6.0, y / 12.0, 2, 62);
    return snow ? hex(0xe6eef8) : hex(0x9fb5d2);
  });

  // Main range: straight-sided peaks roughened by noise, lit from the left.
  struct Peak {
    double x, y, slope, snow;
  };
  const std::array<Peak, 5> peaks = {{{28, 108, 1.0, 38},
                                      {108, 72, 1.15, 48},
                                      {182, 40, 1.25, 62},
                                      {262, 78, 1.05, 46},
                                      {322, 100, 1.1, 40}}};
  auto governing = [&](double x) {
    std::size_t best = 0;
    double top = 1e9;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
      const double h = peaks[i].y + std::abs(x - peaks[i].x) * peaks[i].slope;
      if (h < top) top = h, best = i;
    }
    return std::pair{best, top};
  };
  auto ridge = [&](double x) {
    return governing(x).second + 10 * (fbm(x / 12.0, 3.3, 4, 71) - 0.5);
  };
  fillBelow(c, ridge, [&](double x, double y) {
    const auto [i, top] = governing(x);
    const Peak& p = peaks[i];
    // Couloirs and rock bands run parallel to the ridge edges.
    const double side = x < p.x ? 1.0 : -1.0;
    const double q = x + side * (y - p.y) / p.slope;
    const double crest = p.x + (y - p.y) * 0.12 + 8 * (fbm(y / 14.0, 0.5, 3, 72) - 0.5);
    const double lit = smoothstep(-0.8, 0.8, crest - x);
    const double gully = fbm(q / 5.0, y / 40.0, 3, 73);
    const double reach = p.snow * (0.55 + 1.1 * smoothstep(0.35, 0.75, gully));
    const double snow =
        smoothstep(-0.8, 0.8, p.y + reach + 8 * (fbm(x / 5.0, y / 5.0, 2, 74) - 0.5) - y);
    const Rgb rock =
        mix(hex(0x4a5369), hex(0x7f8a9e), lit) * (0.78 + 0.4 * fbm(q / 3.0, y / 9.0, 3, 75));
    const Rgb col = mix(rock, mix(hex(0xb0c2dc), hex(0xf8fbff), lit) * (0.95 + 0.08 * gully), snow);
    // Lower slopes fade into the valley haze.
    return mix(col, hex(0x9fb8d4), 0.45 * smoothstep(150, 230, y));
  });

  // Forested foothills in two layers.
  auto hillA = [](double x) { return 214 + 24 * (fbm(x / 60.0, 7.1, 4, 81) - 0.5); };
  auto hillB = [](double x) { return 250 + 26 * (fbm(x / 50.0, 2.9, 4, 82) - 0.5); };
  Rng rng(2002);
  // A position stepped by random widths, not a count; the pictures depend on it.
  // NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter)
  for (double x = 0; x < W; x += rng.range(4, 9))
    pine(c, x, hillA(x) + 3, rng.range(14, 24), hex(0x2f5a4a));
  fillBelow(c, hillA, solid(hex(0x2f5a4a)));
  // NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter): as above
  for (double x = 0; x < W; x += rng.range(6, 13))
    pine(c, x, hillB(x) + 4, rng.range(24, 44), hex(0x173826));
  fillBelow(c, hillB, [](double x, double y) {
    return hex(0x173826) * (0.8 + 0.4 * fbm(x / 8.0, y / 8.0, 3, 83));
  });

  // Still alpine lake along the bottom mirroring the shore and the sky.
  constexpr double shore = 272;
  forBox(0, shore, W - 1, H - 1, [&](int x, int y) {
    const double depth = y + 0.5 - shore;
    const int sx =
        std::clamp(static_cast<int>(x + 2.5 * (fbm(x / 20.0, depth / 1.5, 2, 84) - 0.5)), 0, W - 1);
    const Rgb mirrored = c.at(sx, static_cast<int>(shore - depth - 1));
    const double sheen = smoothstep(0.55, 0.75, fbm(x / 35.0, depth / 1.2, 3, 85));
    c.at(x, y) = mix(mirrored * 0.8, hex(0x6fa6d6), 0.35 + 0.25 * depth / (H - shore)) +
                 hex(0xffffff) * (0.12 * sheen);
  });
  line(c, 0, shore, W, shore, 1.2, hex(0x0c2218), 0.7);
  return c;
}

Canvas flowerField() {
  Canvas c;
  constexpr double horizon = 112;
  verticalGradient(c, 0, horizon, {{0.0, hex(0x4f9fe6)}, {1.0, hex(0xd2ecff)}});
  // Fluffy cumulus built from overlapping soft discs.
  Rng cloud(3001);
  for (const Pt centre : {Pt{70, 38}, Pt{230, 26}, Pt{300, 70}}) {
    for (int i = 0; i < 14; ++i) {
      const double dx = cloud.range(-34, 34), dy = cloud.range(-8, 6);
      const double r = cloud.range(9, 17) * (1 - std::abs(dx) / 60);
      disc(c, centre.x + dx, centre.y + dy + 2, r, hex(0xc9d6e6));
      disc(c, centre.x + dx, centre.y + dy - 1, r, hex(0xffffff));
    }
  }
  // Tree line on the horizon.
  fillBelow(
      c, [](double x) { return horizon - 6 - 14 * fbm(x / 9.0, 0.7, 3, 91); },
      [](double x, double y) {
        return hex(0x2f5e2e) * (0.8 + 0.3 * fbm(x / 3.0, y / 3.0, 2, 92));
      });
  forBox(0, horizon - 2, W - 1, H - 1, [&](int x, int y) {
    const double t = (y - horizon) / (H - horizon);
    const Rgb base = mix(hex(0x8cc456), hex(0x2f7a24), t);
    c.at(x, y) = base * (0.82 + 0.36 * fbm(x / (2 + t * 10), y / (1 + t * 3), 3, 93));
  });

  // Flowers: many tiny dots far away, big detailed blossoms near the front.
  const std::array<Rgb, 6> petals = {hex(0xe8322e), hex(0xf6d23a), hex(0xfaf6ee),
                                     hex(0x9b57d6), hex(0xf28cbc), hex(0xf28a2e)};
  struct Flower {
    double x, y, size;
    Rgb col;
    int petals;
    double turn;
  };
  std::vector<Flower> flowers;
  Rng rng(3003);
  for (int i = 0; i < 420; ++i) {
    const double t = std::pow(rng.uniform(), 1.6);
    const double y = horizon + 2 + t * (H - horizon + 10);
    flowers.push_back({rng.range(-8, W + 8), y, 0.6 + 11 * t * t, petals[rng.below(6)],
                       5 + rng.below(2), rng.range(0, PI)});
  }
  std::sort(flowers.begin(), flowers.end(),
            [](const Flower& a, const Flower& b) { return a.y < b.y; });
  for (const Flower& f : flowers) {
    if (f.size < 2.2) {
      disc(c, f.x, f.y, f.size * 0.8, f.col);
      continue;
    }
    line(c, f.x, f.y, f.x + f.size * 0.2, f.y + f.size * 3, f.size * 0.18, hex(0x2b6a1e));
    ellipse(c, f.x + f.size * 0.5, f.y + f.size * 1.8, f.size * 0.7, f.size * 0.25, 0.6,
            hex(0x3d8a2a));
    for (int p = 0; p < f.petals; ++p) {
      const double a = f.turn + p * 2 * PI / f.petals;
      const double px = f.x + std::cos(a) * f.size * 0.55, py = f.y + std::sin(a) * f.size * 0.45;
      ellipse(c, px, py, f.size * 0.6, f.size * 0.32, a, mix(f.col, hex(0x000000), 0.12));
      ellipse(c, px, py - 0.5, f.size * 0.52, f.size * 0.26, a, f.col);
    }
    disc(c, f.x, f.y, f.size * 0.28, hex(0xf3b21c));
    disc(c, f.x - f.size * 0.06, f.y - f.size * 0.06, f.size * 0.13, hex(0xffe27a));
  }
  // Grass blades in front of everything.
  for (int i = 0; i < 260; ++i) {
    const double x = rng.range(-5, W + 5), y = rng.range(262, H + 6), len = rng.range(10, 26);
    const double lean = rng.range(-6, 6);
    line(c, x, y, x + lean, y - len, rng.range(0.8, 1.6),
         mix(hex(0x2f7a24), hex(0x7fc04a), rng.uniform()));
  }
  return c;
}

Canvas plasma() {
  Canvas c;
  forAll([&](int x, int y) {
    const double v = std::sin(x * 0.041) + std::sin((x * 0.6 + y * 0.8) * 0.034 + 1.3) +
                     std::sin(std::hypot(x - 105.0, y - 88.0) * 0.058) +
                     std::sin(std::hypot(x - 268.0, y - 232.0) * 0.043 + 2.0);
    const double t = v * 0.125 + 0.5;
    // Cyclic palette so neighbouring bands always flow into each other.
    const double cycle = t * 1.6 - std::floor(t * 1.6);
    const Rgb col = ramp({{0.0, hex(0x1e0b4f)},
                          {0.25, hex(0x6a2bd9)},
                          {0.5, hex(0xe63ab8)},
                          {0.7, hex(0xff9a6b)},
                          {0.85, hex(0xb03aa0)},
                          {1.0, hex(0x1e0b4f)}},
                         cycle);
    const double contour = std::pow(1 - std::abs(std::sin(v * 3.2)), 14);
    c.at(x, y) = col + hex(0xffffff) * (0.22 * contour);
  });
  // Glassy bubbles floating over the plasma.
  Rng rng(4004);
  for (int i = 0; i < 9; ++i) {
    const double x = rng.range(20, W - 20), y = rng.range(20, H - 20), r = rng.range(8, 26);
    disc(c, x, y, r, hex(0xffffff), 0.1);
    ring(c, x, y, r, 1.2, hex(0xffffff), 0.35);
    ellipse(c, x - r * 0.35, y - r * 0.4, r * 0.35, r * 0.18, -0.6, hex(0xffffff), 0.55);
  }
  // Darken the corners so the edges blend into the black screen.
  forAll([&](int x, int y) {
    const double d = std::hypot((x - W / 2.0) / W, (y - H / 2.0) / H);
    c.at(x, y) = c.at(x, y) * (1 - 0.55 * smoothstep(0.3, 0.75, d));
  });
  return c;
}

// A koi in its own body frame: u runs from the nose (0) backwards, v across.
struct Koi {
  double x, y, heading, length, bend;
  Rgb base, patch;
  std::uint32_t seed;

  Pt local(double px, double py) const {
    const double dx = px - x, dy = py - y, ca = std::cos(heading), sa = std::sin(heading);
    const double u = -(dx * ca + dy * sa), v = -dx * sa + dy * ca;
    return {u, v - bend * sq(u / length) * length};
  }
  double halfWidth(double u) const {
    const double t = u / length;
    if (t < 0 || t > 1) return -1;
    return length * 0.16 * std::pow(std::sin(PI * std::pow(t, 0.8)), 0.7) + length * 0.015;
  }
  bool inBody(double px, double py) const {
    const Pt p = local(px, py);
    return std::abs(p.y) < halfWidth(p.x);
  }
  bool inTail(double px, double py) const {
    const Pt p = local(px, py);
    const double t = (p.x - length * 0.92) / (length * 0.4);
    if (t < 0 || t > 1) return false;
    const double spread = length * (0.03 + 0.22 * t);
    const double notch = length * 0.14 * smoothstep(0.6, 1.0, t);
    return std::abs(p.y) < spread && std::abs(p.y) >= notch;
  }
  bool inFin(double px, double py) const {
    const Pt p = local(px, py);
    const double fu = p.x - length * 0.3, fv = std::abs(p.y) - length * 0.16;
    const double a = 0.7, ca = std::cos(a), sa = std::sin(a);
    return sq((fu * ca + fv * sa) / (length * 0.12)) + sq((-fu * sa + fv * ca) / (length * 0.05)) <
           1;
  }
};

Canvas koiPond() {
  Canvas c;
  // Water with sunlight caustics (sharp ridges of noise) and darker edges.
  forAll([&](int x, int y) {
    const double n = fbm(x / 26.0, y / 26.0, 4, 51);
    const double caustic = std::pow(1 - std::abs(2 * n - 1), 10);
    const double depth = std::hypot((x - W / 2.0) / W, (y - H / 2.0) / H);
    Rgb col = mix(hex(0x1f7a78), hex(0x0a3a48), smoothstep(0.1, 0.7, depth));
    col = col * (0.85 + 0.3 * fbm(x / 60.0, y / 60.0, 3, 52));
    c.at(x, y) = col + hex(0x9ff0e0) * (0.28 * caustic);
  });

  const std::array<Koi, 3> fish = {{{120, 110, -0.35, 92, 0.10, hex(0xf7f1e6), hex(0xe5481a), 7},
                                    {245, 190, 2.6, 80, -0.14, hex(0xf07a1e), hex(0x1a1410), 8},
                                    {90, 232, 0.5, 66, 0.08, hex(0xf7f1e6), hex(0xd8331e), 9}}};
  for (const Koi& k : fish) {
    // Shadow on the pond floor first, offset down-right.
    auto shadowed = [&](double x, double y) {
      return k.inBody(x - 7, y - 9) || k.inTail(x - 7, y - 9) || k.inFin(x - 7, y - 9);
    };
    fillShape(c, k.x - k.length * 1.5 + 7, k.y - k.length * 1.5 + 9, k.x + k.length * 1.5 + 7,
              k.y + k.length * 1.5 + 9, shadowed, solid(hex(0x03181e)), 0.35);
  }
  for (const Koi& k : fish) {
    const double r = k.length * 1.5;
    fillShape(
        c, k.x - r, k.y - r, k.x + r, k.y + r,
        [&](double x, double y) { return k.inTail(x, y) || k.inFin(x, y); },
        [&](double x, double y) {
          return mix(k.base, hex(0xffffff), 0.3 * fbm(x / 2.0, y / 2.0, 2, 12));
        },
        0.75);
    fillShape(
        c, k.x - r, k.y - r, k.x + r, k.y + r, [&](double x, double y) { return k.inBody(x, y); },
        [&](double x, double y) {
          const Pt p = k.local(x, y);
          const double spot = smoothstep(0.5, 0.54, fbm(p.x / 11.0, p.y / 11.0, 2, k.seed));
          const Rgb col = mix(k.base, k.patch, spot);
          // Rounded body: brighter along the spine.
          const double across = std::abs(p.y) / std::max(1.0, k.halfWidth(p.x));
          return col * (1.05 - 0.35 * across * across);
        });
    // Eyes near the nose on both sides.
    const double ca = std::cos(k.heading), sa = std::sin(k.heading);
    for (double side : {-1.0, 1.0}) {
      const double u = k.length * 0.09, v = side * k.length * 0.075;
      disc(c, k.x - u * ca - v * sa, k.y - u * sa + v * ca, k.length * 0.022, hex(0x101010));
    }
  }

  // Lily pads with a notch, radial veins and one pink lotus.
  struct Pad {
    double x, y, r, notch;
  };
  for (const Pad& p : {Pad{262, 62, 34, 0.5}, Pad{306, 108, 20, 2.4}, Pad{40, 40, 26, 4.1},
                       Pad{26, 176, 16, 1.2}, Pad{290, 262, 28, 3.3}, Pad{175, 272, 15, 5.4}}) {
    auto inside = [&](double x, double y) {
      const double a = std::atan2(y - p.y, x - p.x) - p.notch;
      const double wrapped = std::remainder(a, 2 * PI);
      return std::hypot(x - p.x, y - p.y) < p.r && std::abs(wrapped) > 0.22;
    };
    fillShape(
        c, p.x - p.r + 4, p.y - p.r + 5, p.x + p.r + 4, p.y + p.r + 5,
        [&](double x, double y) { return inside(x - 4, y - 5); }, solid(hex(0x03181e)), 0.4);
    fillShape(c, p.x - p.r, p.y - p.r, p.x + p.r, p.y + p.r, inside, [&](double x, double y) {
      const double d = std::hypot(x - p.x, y - p.y) / p.r;
      return mix(hex(0x4f9e3c), hex(0x2e6e2a), d) * (0.9 + 0.2 * fbm(x / 5.0, y / 5.0, 2, 55));
    });
    for (int v = 0; v < 9; ++v) {
      const double a = p.notch + 0.4 + v * (2 * PI - 0.8) / 8;
      line(c, p.x, p.y, p.x + std::cos(a) * p.r * 0.9, p.y + std::sin(a) * p.r * 0.9, 0.8,
           hex(0x2a5e24), 0.5);
    }
  }
  for (int layer = 0; layer < 2; ++layer)
    for (int i = 0; i < 7; ++i) {
      const double a = i * 2 * PI / 7 + layer * 0.45;
      const double len = layer ? 9 : 13;
      ellipse(c, 262 + std::cos(a) * len * 0.6, 62 + std::sin(a) * len * 0.6, len * 0.6, len * 0.28,
              a, layer ? hex(0xffd3e4) : hex(0xf08bb2));
    }
  disc(c, 262, 62, 3.5, hex(0xf7d14a));

  // Ripples where something just touched the surface.
  for (double r : {8.0, 15.0, 23.0}) ring(c, 200, 46, r, 1.0, hex(0xd8fff6), 0.45 - r / 80);
  return c;
}

Canvas citySkyline() {
  Canvas c;
  constexpr double water = 262;
  verticalGradient(c, 0, water,
                   {{0.0, hex(0x1d1845)},
                    {0.3, hex(0x4a2a72)},
                    {0.6, hex(0xc24f7c)},
                    {0.85, hex(0xf59060)},
                    {1.0, hex(0xffc070)}});
  Rng stars(6001);
  for (int i = 0; i < 60; ++i) {
    const double y = stars.range(0, 90);
    disc(c, stars.range(0, W), y, stars.range(0.3, 0.8), hex(0xffffff), 0.8 - y / 120);
  }
  disc(c, 68, 52, 11, hex(0xfff1d8), 0.95);
  glow(c, 68, 52, 24, hex(0xffd0e0), 0.15);

  struct Building {
    double x0, x1, top;
    int roof;
  };
  auto skyline = [](std::uint64_t seed, double minH, double maxH, double minW, double maxW) {
    Rng rng(seed);
    std::vector<Building> out;
    for (double x = -6; x < W + 6;) {
      const double w = rng.range(minW, maxW);
      out.push_back({x, x + w, water - rng.range(minH, maxH), rng.below(4)});
      x += w + rng.range(-2, 3);
    }
    return out;
  };
  auto drawBuilding = [&](const Building& b, Rgb col) {
    polygon(c, {{b.x0, water}, {b.x1, water}, {b.x1, b.top}, {b.x0, b.top}}, col);
    const double mid = (b.x0 + b.x1) / 2;
    if (b.roof == 0)
      polygon(c, {{b.x0, b.top + 0.5}, {b.x1, b.top + 0.5}, {mid, b.top - (b.x1 - b.x0) * 0.5}},
              col);
    if (b.roof == 1) {
      line(c, mid, b.top, mid, b.top - 20, 1.5, col);
      disc(c, mid, b.top - 20, 1.6, hex(0xff3030));
      glow(c, mid, b.top - 20, 3, hex(0xff3030), 0.4);
    }
    if (b.roof == 2)
      polygon(c,
              {{b.x0 + 3, b.top}, {b.x1 - 3, b.top}, {b.x1 - 3, b.top - 6}, {b.x0 + 3, b.top - 6}},
              col);
  };
  for (const Building& b : skyline(6002, 60, 150, 14, 30)) drawBuilding(b, hex(0x3b2a5c));
  Rng lights(6003);
  for (const Building& b : skyline(6004, 25, 115, 18, 40)) {
    drawBuilding(b, hex(0x141026));
    // Window rows, at their places on the building; the pictures depend on them.
    // NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter)
    for (double y = b.top + 5; y < water - 5; y += 7)
      for (double x = b.x0 + 3; x + 3 < b.x1 - 2; x += 6)
        if (lights.uniform() < 0.42) {
          const Rgb lamp = lights.uniform() < 0.8 ? hex(0xffd27a) : hex(0xbfe3ff);
          polygon(c, {{x, y}, {x + 3, y}, {x + 3, y + 4}, {x, y + 4}},
                  lamp * lights.range(0.7, 1.0));
        }
  }

  // Harbour water mirroring the skyline, broken up by ripples.
  forBox(0, water, W - 1, H - 1, [&](int x, int y) {
    const double depth = y + 0.5 - water;
    const double shift = 3 * (fbm(x / 30.0, depth / 2.0, 2, 61) - 0.5) * (1 + depth * 0.08);
    const int sx = std::clamp(static_cast<int>(x + shift), 0, W - 1);
    const int sy = std::clamp(static_cast<int>(water - depth - 1), 0, H - 1);
    const double ripple = 0.75 + 0.25 * fbm(x / 40.0, depth / 1.5, 2, 62);
    c.at(x, y) = c.at(sx, sy) * (0.55 * ripple) + hex(0x1a1030) * 0.3;
  });
  line(c, 0, water, W, water, 1.0, hex(0xffc890), 0.3);
  return c;
}

Canvas autumnLeaves() {
  Canvas c;
  // Damp forest floor, lighter where the low sun falls from the top left.
  forAll([&](int x, int y) {
    const double n = fbm(x / 18.0, y / 18.0, 5, 71);
    const double light = 1.0 - 0.5 * std::hypot(x / double(W), y / double(H));
    c.at(x, y) = mix(hex(0x2a1a10), hex(0x5c3f22), n) * (0.7 + 0.6 * light);
  });

  const std::array<Rgb, 6> colours = {hex(0xc8301e), hex(0xe2762a), hex(0xeab532),
                                      hex(0x8c4a22), hex(0xa31f2c), hex(0xd8562a)};
  Rng rng(7007);
  for (int i = 0; i < 78; ++i) {
    const double x = rng.range(-10, W + 10), y = rng.range(-10, H + 10);
    const double size = rng.range(12, 30), turn = rng.range(0, 2 * PI);
    const Rgb col = colours[rng.below(6)];
    const bool maple = rng.uniform() < 0.55;
    const double ca = std::cos(turn), sa = std::sin(turn);
    // Leaf outline in its own frame: v points from the stem to the tip.
    auto inside = [&](double px, double py) {
      const double dx = px - x, dy = py - y;
      const double u = dx * ca + dy * sa, v = -dx * sa + dy * ca;
      if (maple) {
        const double a = std::atan2(u, -v);  // 0 towards the tip
        const double lobes = std::pow(std::abs(std::cos(2.5 * a)), 0.6);
        const double teeth = 0.07 * std::abs(std::sin(12.5 * a));
        const double r = size * (0.5 + 0.5 * lobes + teeth) * (0.72 + 0.28 * std::cos(a));
        return std::hypot(u, v) < r;
      }
      // Almond shape: intersection of two discs.
      const double half = size * 0.42, r = size * 0.9;
      return std::hypot(u - (r - half), v) < r && std::hypot(u + (r - half), v) < r;
    };
    auto paint = [&](double px, double py) {
      return mix(col, hex(0xf0c040), 0.35 * fbm(px / 9.0, py / 9.0, 3, 72 + i)) *
             (0.8 + 0.3 * fbm(px / 3.0, py / 3.0, 2, 73));
    };
    const double reach = size * 1.2;
    fillShape(
        c, x - reach + 3, y - reach + 4, x + reach + 3, y + reach + 4,
        [&](double px, double py) { return inside(px - 3, py - 4); }, solid(hex(0x120a05)), 0.45);
    fillShape(c, x - reach, y - reach, x + reach, y + reach, inside, paint);
    const Rgb vein = mix(col, hex(0x3a1a08), 0.45);
    auto toWorld = [&](double u, double v) { return Pt{x + u * ca - v * sa, y + u * sa + v * ca}; };
    const Pt stem = toWorld(0, size * (maple ? 0.9 : 1.1)),
             tip = toWorld(0, -size * (maple ? 0.9 : 0.85));
    line(c, stem.x, stem.y, tip.x, tip.y, size / 18, vein, 0.8);
    const Pt base = toWorld(0, maple ? 0.0 : size * 0.85);
    line(c, base.x, base.y, stem.x, stem.y, size / 14, hex(0x4a2a12));
    if (maple)
      for (double a : {-1.25, 1.25, -2.5, 2.5}) {
        const Pt end = toWorld(std::sin(a) * size * 0.8, -std::cos(a) * size * 0.8);
        line(c, x, y, end.x, end.y, size / 22, vein, 0.7);
      }
  }
  // Warm low sunlight washing over from the corner.
  forAll([&](int x, int y) {
    c.add(x, y, hex(0xffb060), 0.18 * std::exp(-std::hypot(x, y) / 160.0));
  });
  return c;
}

// The rare jackpot slide: a gold coin with an embossed star on a sunburst.
Canvas goldenJackpot() {
  Canvas c;
  const double cx = W / 2.0, cy = H / 2.0;
  forAll([&](int x, int y) {
    const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
    const double d = std::hypot(dx, dy) / 220.0;
    const double a = std::atan2(dy, dx);
    const double ray = smoothstep(-0.15, 0.15, std::sin(a * 14));
    const Rgb inner = mix(hex(0xfff1a8), hex(0xffd54a), ray);
    const Rgb outer = mix(hex(0x7a4300), hex(0xb36b00), ray);
    c.at(x, y) = mix(inner, outer, smoothstep(0.0, 0.9, d));
  });

  const double r = 84;
  disc(c, cx + 6, cy + 8, r, hex(0x4a2800), 0.5);
  // Rim: lit from the top left.
  fillShape(
      c, cx - r, cy - r, cx + r, cy + r,
      [&](double x, double y) { return std::hypot(x - cx, y - cy) < r; },
      [&](double x, double y) {
        const double t = ((x - cx) + (y - cy)) / (2 * r) * 0.5 + 0.5;
        return ramp({{0.0, hex(0xfff3b0)}, {0.45, hex(0xf2b51e)}, {1.0, hex(0x9a5a00)}}, t);
      });
  fillShape(
      c, cx - r, cy - r, cx + r, cy + r,
      [&](double x, double y) { return std::hypot(x - cx, y - cy) < r - 10; },
      [&](double x, double y) {
        const double t = ((x - cx) + (y - cy)) / (2 * r) * 0.5 + 0.5;
        return ramp({{0.0, hex(0xb87400)}, {0.55, hex(0xe9a814)}, {1.0, hex(0xffe27a)}}, t);
      });
  for (int i = 0; i < 36; ++i) {
    const double a = i * 2 * PI / 36;
    disc(c, cx + std::cos(a) * (r - 17), cy + std::sin(a) * (r - 17), 2.2, hex(0xfff0a0), 0.85);
  }

  // Bevelled five-point star: each arm has a bright and a shaded facet.
  std::vector<Pt> star;
  for (int i = 0; i < 10; ++i) {
    const double a = -PI / 2 + i * PI / 5, rr = (i % 2 == 0) ? 52 : 21;
    star.push_back({cx + std::cos(a) * rr, cy + std::sin(a) * rr});
  }
  fillShape(
      c, cx - 55, cy - 55, cx + 55, cy + 55,
      [&](double x, double y) { return inPolygon(star, x, y); },
      [&](double x, double y) {
        const double a = std::atan2(y - cy, x - cx) + PI / 2;
        const double sector = std::fmod(a + 4 * PI, 2 * PI / 5) / (2 * PI / 5);
        const double facing = std::cos(a + (sector < 0.5 ? -0.6 : 0.6) + PI / 4 + PI / 2);
        return mix(hex(0xa86400), hex(0xfff6c0), 0.5 + 0.5 * facing);
      });
  ellipse(c, cx - 35, cy - 44, 26, 9, -0.6, hex(0xffffff), 0.35);

  // Sparkles: four-point glints with a soft core.
  Rng rng(8008);
  for (int i = 0; i < 16; ++i) {
    double x, y;
    do {
      x = rng.range(10, W - 10);
      y = rng.range(10, H - 10);
    } while (std::hypot(x - cx, y - cy) < r + 8);
    const double s = rng.range(4, 13);
    glow(c, x, y, s * 0.5, hex(0xffffff), 0.7);
    polygon(c, {{x - s, y}, {x, y - s * 0.18}, {x + s, y}, {x, y + s * 0.18}}, hex(0xffffff), 0.9);
    polygon(c, {{x, y - s}, {x + s * 0.18, y}, {x, y + s}, {x - s * 0.18, y}}, hex(0xffffff), 0.9);
  }
  for (double a : {0.35, 2.1, 4.2}) {
    const double x = cx + std::cos(a) * r * 0.72, y = cy + std::sin(a) * r * 0.72;
    glow(c, x, y, 3, hex(0xffffff), 0.8);
    line(c, x - 9, y, x + 9, y, 1.0, hex(0xffffff), 0.8);
    line(c, x, y - 9, x, y + 9, 1.0, hex(0xffffff), 0.8);
  }
  return c;
}

// ----------------------------------------------------------------- BMP output

void put16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v & 0xff);
  s += static_cast<char>(v >> 8);
}

void put32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
}

std::string encodeBmp(Canvas& c, std::uint32_t pixelsPerMetre) {
  constexpr std::uint32_t rowBytes = (W * 3 + 3) / 4 * 4;
  constexpr std::uint32_t imageBytes = rowBytes * H;
  std::string s;
  s += "BM";
  put32(s, 54 + imageBytes);
  put16(s, 0);
  put16(s, 0);
  put32(s, 54);
  put32(s, 40);
  put32(s, W);
  put32(s, H);  // positive: bottom-up rows
  put16(s, 1);
  put16(s, 24);
  put32(s, 0);
  put32(s, imageBytes);
  put32(s, pixelsPerMetre);
  put32(s, pixelsPerMetre);
  put32(s, 0);
  put32(s, 0);
  for (int y = H - 1; y >= 0; --y) {
    for (int x = 0; x < W; ++x) {
      const Rgb p = c.at(x, y);
      // A little fixed dither hides banding in the long gradients.
      const double d = hash2(x, y, 999) - 0.5;
      for (double v : {p.b, p.g, p.r})
        s += static_cast<char>(
            static_cast<int>(std::clamp(std::floor(v * 255 + 0.5 + d), 0.0, 255.0)));
    }
    s.append(rowBytes - W * 3, '\0');
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_pictures <output folder>\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  using Maker = Canvas (*)();
  const std::array<Maker, 9> makers = {sunsetOverSea, starryNight,  snowyMountains,
                                       flowerField,   plasma,       koiPond,
                                       citySkyline,   autumnLeaves, goldenJackpot};
  for (std::size_t i = 0; i < makers.size(); ++i) {
    Canvas c = makers[i]();
    // Two of the slides carry no print resolution (0 x 0) so the loader
    // keeps being exercised with both kinds of header.
    const std::uint32_t ppm = (i == 4 || i == 5) ? 0 : 7087;
    const std::string bytes = encodeBmp(c, ppm);
    const std::filesystem::path file = dir / ("picture" + std::to_string(i) + ".bmp");
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << "make_pictures: cannot write " << file << "\n";
      return 1;
    }
  }
  return 0;
}
