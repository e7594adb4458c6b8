#include "formats/metafile_canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/tessalin_error.h"

namespace tessalin {

namespace {

// A coordinate as an int, saturated at the ends of its range (the low end one
// above the minimum, so that one less is still an int): a file's far-off or
// not-a-number coordinates must not make the conversion undefined.
int SaturatedInt(double v) {
  if (!(v > -2147483647.0)) return std::numeric_limits<int>::min() + 1;
  if (!(v < 2147483647.0)) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}

int PixelOf(double v) { return SaturatedInt(std::floor(v + 0.5)); }

// The two-operand raster operations of GDI's common names; anything else copies.
uint8_t ApplyRop(uint32_t rop, uint8_t src, uint8_t dst, uint8_t pat) {
  switch (rop) {
    case 0x00CC0020:
      return src;  // SRCCOPY
    case 0x00EE0086:
      return src | dst;  // SRCPAINT
    case 0x008800C6:
      return src & dst;  // SRCAND
    case 0x00660046:
      return src ^ dst;  // SRCINVERT
    case 0x00440328:
      return static_cast<uint8_t>(src & ~dst);  // SRCERASE
    case 0x00330008:
      return static_cast<uint8_t>(~src);  // NOTSRCCOPY
    case 0x001100A6:
      return static_cast<uint8_t>(~(src | dst));  // NOTSRCERASE
    case 0x00C000CA:
      return src & pat;  // MERGECOPY
    case 0x00BB0226:
      return static_cast<uint8_t>(~src | dst);  // MERGEPAINT
    case 0x00F00021:
      return pat;  // PATCOPY
    case 0x005A0049:
      return pat ^ dst;  // PATINVERT
    case 0x00550009:
      return static_cast<uint8_t>(~dst);  // DSTINVERT
    case 0x00000042:
      return 0;  // BLACKNESS
    case 0x00FF0062:
      return 255;  // WHITENESS
    case 0x00AA0029:
      return dst;  // no operation
    default:
      return src;
  }
}

}  // namespace

MetaCanvas::MetaCanvas(int width, int height, const std::string& name)
    : width_(width),
      height_(height),
      name_(name),
      // Room for painting the canvas four times over plus small work, which
      // keeps any file within a second or so even at the pixel limit.
      budget_(4 * static_cast<int64_t>(width) * height + 64'000'000) {}

uint8_t* MetaCanvas::RowAt(int y) {
  if (!pixels_.HasImage()) pixels_ = NewRaster(PixelFormat::pfDevice, height_, width_);
  return pixels_.Row(y);
}

void MetaCanvas::Spend(int64_t work) {
  budget_ -= work;
  if (budget_ < 0)
    ThrowFileError(name_, "is not a readable metafile: its records are too many or too large to draw.");
}

void MetaCanvas::Put(int x, int y, Color c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = RowAt(y) + 4 * static_cast<size_t>(x);
  p[0] = BlueOf(c), p[1] = GreenOf(c), p[2] = RedOf(c);
}

Color MetaCanvas::Pixel(int x, int y) const {
  if (!pixels_.HasImage()) return kWhite;
  const uint8_t* p = pixels_.Row(y) + 4 * static_cast<size_t>(x);
  return MakeColor(p[2], p[1], p[0]);
}

void MetaCanvas::FillPolygons(const std::vector<std::vector<PointF>>& polygons, Color color, bool winding) {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  double minY = 1e300, maxY = -1e300;
  for (const auto& poly : polygons) {
    for (size_t i = 0; i < poly.size(); ++i) {
      const PointF& a = poly[i];
      const PointF& b = poly[(i + 1) % poly.size()];
      if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return;
      if (a.y == b.y) continue;
      edges.push_back(a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 1} : Edge{b.x, b.y, a.x, a.y, -1});
      minY = std::min({minY, a.y, b.y});
      maxY = std::max({maxY, a.y, b.y});
    }
  }
  if (edges.empty()) return;
  const int yStart = std::max(0, SaturatedInt(std::floor(minY)));
  const int yEnd = std::min(height_ - 1, SaturatedInt(std::min(maxY, 1e9)));
  std::vector<std::pair<double, int>> hits;
  if (yEnd >= yStart)
    Spend(static_cast<int64_t>(yEnd - yStart + 1) * static_cast<int64_t>(edges.size() + width_));
  for (int y = yStart; y <= yEnd; ++y) {
    const double yc = y + 0.5;
    hits.clear();
    for (const Edge& e : edges)
      if (yc >= e.y0 && yc < e.y1)
        hits.emplace_back(e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir);
    std::sort(hits.begin(), hits.end());
    int count = 0;
    for (size_t i = 0; i + 1 < hits.size(); ++i) {
      count += winding ? hits[i].second : 1;
      const bool inside = winding ? count != 0 : (count & 1) != 0;
      if (!inside) continue;
      const double xa = std::max(hits[i].first, -1.0), xb = std::min(hits[i + 1].first, width_ + 1.0);
      const int from = std::max(0, SaturatedInt(std::ceil(xa - 0.5)));
      const int to = std::min(width_ - 1, SaturatedInt(std::ceil(xb - 0.5)) - 1);
      // from and to lie inside the row, so the span is written straight.
      uint8_t* p = RowAt(y) + 4 * static_cast<size_t>(std::max(from, 0));
      const uint8_t b = BlueOf(color), g = GreenOf(color), r = RedOf(color);
      for (int x = from; x <= to; ++x, p += 4) p[0] = b, p[1] = g, p[2] = r;
    }
  }
}

void MetaCanvas::Line(int x0, int y0, int x1, int y1, Color color, bool lastPixel) {
  // Clip far-away lines to a box around the canvas so loops stay short.
  const int64_t dx = std::llabs(static_cast<int64_t>(x1) - x0),
                dy = -std::llabs(static_cast<int64_t>(y1) - y0);
  if (dx - dy > 4 * static_cast<int64_t>(width_ + height_) + 16) {
    // Too long to walk pixel by pixel: draw it as a thin polygon instead.
    const double len = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    const double nx = -(y1 - y0) / len * 0.5, ny = (x1 - x0) / len * 0.5;
    FillPolygons({{{x0 + 0.5 + nx, y0 + 0.5 + ny},
                   {x1 + 0.5 + nx, y1 + 0.5 + ny},
                   {x1 + 0.5 - nx, y1 + 0.5 - ny},
                   {x0 + 0.5 - nx, y0 + 0.5 - ny}}},
                 color, true);
    return;
  }
  Spend(dx - dy + 1);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int64_t err = dx + dy;
  int x = x0, y = y0;
  for (;;) {
    if (x == x1 && y == y1) {
      if (lastPixel) Put(x, y, color);
      break;
    }
    Put(x, y, color);
    const int64_t e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
}

void MetaCanvas::Stroke(const std::vector<PointF>& points, bool closed, Color color, double width) {
  if (points.empty()) return;
  for (const PointF& p : points)
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e9 || std::fabs(p.y) > 1e9) return;
  const size_t segments = closed ? points.size() : points.size() - 1;
  if (width <= 1.5) {
    for (size_t i = 0; i < segments; ++i) {
      const PointF& a = points[i];
      const PointF& b = points[(i + 1) % points.size()];
      Line(PixelOf(a.x), PixelOf(a.y), PixelOf(b.x), PixelOf(b.y), color, false);
    }
    return;
  }
  const double half = width / 2;
  std::vector<std::vector<PointF>> shapes;
  for (size_t i = 0; i < segments; ++i) {
    const PointF a{points[i].x + 0.5, points[i].y + 0.5};
    const PointF b{points[(i + 1) % points.size()].x + 0.5, points[(i + 1) % points.size()].y + 0.5};
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len > 0) {
      const double nx = -(b.y - a.y) / len * half, ny = (b.x - a.x) / len * half;
      shapes.push_back(
          {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
    }
  }
  // Square joins so thick corners have no notches.
  for (const PointF& p : points)
    shapes.push_back({{p.x + 0.5 - half, p.y + 0.5 - half},
                      {p.x + 0.5 + half, p.y + 0.5 - half},
                      {p.x + 0.5 + half, p.y + 0.5 + half},
                      {p.x + 0.5 - half, p.y + 0.5 + half}});
  for (const auto& s : shapes) FillPolygons({s}, color, true);
}

void MetaCanvas::Rectangle(double left, double top, double right, double bottom, const Color* fill,
                           const Color* pen, double penWidth) {
  int l = PixelOf(left), r = PixelOf(right), t = PixelOf(top), b = PixelOf(bottom);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  l = std::max(l, -1), t = std::max(t, -1), r = std::min(r, width_ + 1), b = std::min(b, height_ + 1);
  if (r <= l || b <= t) return;
  Spend(static_cast<int64_t>(r - l) * (b - t));
  if (fill)
    for (int y = std::max(0, t); y < std::min(b, height_); ++y)
      for (int x = std::max(0, l); x < std::min(r, width_); ++x) Put(x, y, *fill);
  if (pen) {
    const int w = std::max(1, PixelOf(penWidth));
    for (int i = 0; i < w && l + i < r - i && t + i < b - i; ++i) {
      Line(l + i, t + i, r - 1 - i, t + i, *pen, true);
      Line(l + i, b - 1 - i, r - 1 - i, b - 1 - i, *pen, true);
      Line(l + i, t + i, l + i, b - 1 - i, *pen, true);
      Line(r - 1 - i, t + i, r - 1 - i, b - 1 - i, *pen, true);
    }
  }
}

void MetaCanvas::Ellipse(double left, double top, double right, double bottom, const Color* fill,
                         const Color* pen, double penWidth) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const double rx = (right - left) / 2, ry = (bottom - top) / 2;
  if (rx <= 0 || ry <= 0 || rx > 1e7 || ry > 1e7) return;
  const int n = static_cast<int>(std::clamp(4 * std::ceil(std::max(rx, ry)), 16.0, 4096.0));
  auto outline = [&](double cx, double cy, double ax, double ay) {
    std::vector<PointF> pts(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      const double a = 2 * std::numbers::pi * i / n;
      pts[static_cast<size_t>(i)] = {cx + ax * std::cos(a), cy + ay * std::sin(a)};
    }
    return pts;
  };
  if (fill) FillPolygons({outline((left + right) / 2, (top + bottom) / 2, rx, ry)}, *fill, false);
  if (pen) {
    // Pen coordinates address pixel indices, so the border runs half a pixel inside.
    Stroke(outline((left + right - 1) / 2, (top + bottom - 1) / 2, std::max(0.0, rx - 0.5),
                   std::max(0.0, ry - 0.5)),
           true, *pen, penWidth);
  }
}

namespace {

// The source pixel that destination pixel `d` samples: nearest, counted from `from`.
int64_t SourceIndex(int d, double start, double end, int64_t from, int64_t count) {
  const double u = (d + 0.5 - start) / (end - start);  // within [0, 1) for a pixel the destination covers
  return from + static_cast<int64_t>(std::clamp(std::floor(u * static_cast<double>(count)), -1e18, 1e18));
}

}  // namespace

void MetaCanvas::Blit(double left, double top, double right, double bottom, DibView* source, int64_t srcX,
                      int64_t srcY, int64_t srcWidth, int64_t srcHeight, uint32_t rop, Color pattern) {
  if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(top) || !std::isfinite(bottom)) return;
  if (left == right || top == bottom) return;
  const double x0 = std::min(left, right), x1 = std::max(left, right);
  const double y0 = std::min(top, bottom), y1 = std::max(top, bottom);
  // Clamped on both sides first: a far-off corner must not overflow the int conversion.
  const double cx0 = std::clamp(x0, -1.0, width_ + 1.0), cx1 = std::clamp(x1, -1.0, width_ + 1.0);
  const double cy0 = std::clamp(y0, -1.0, height_ + 1.0), cy1 = std::clamp(y1, -1.0, height_ + 1.0);
  const int fromX = std::max(0, SaturatedInt(std::ceil(cx0 - 0.5)));
  const int toX = std::min(width_ - 1, SaturatedInt(std::ceil(cx1 - 0.5)) - 1);
  const int fromY = std::max(0, SaturatedInt(std::ceil(cy0 - 0.5)));
  const int toY = std::min(height_ - 1, SaturatedInt(std::ceil(cy1 - 0.5)) - 1);
  if (toX < fromX || toY < fromY) return;
  Spend(static_cast<int64_t>(toX - fromX + 1) * (toY - fromY + 1));
  if (source && (srcWidth == 0 || srcHeight == 0)) return;
  if (source && source->RunLength()) {
    // The source rows are decoded only over the rectangle these pixels sample
    // (nearest sampling is monotonic, so its corners bound it), and that
    // decoding counts against the budget like painting.
    const int64_t sxA = SourceIndex(fromX, left, right, srcX, srcWidth),
                  sxB = SourceIndex(toX, left, right, srcX, srcWidth);
    const int64_t syA = SourceIndex(fromY, top, bottom, srcY, srcHeight),
                  syB = SourceIndex(toY, top, bottom, srcY, srcHeight);
    const int64_t l = std::max<int64_t>(std::min(sxA, sxB), 0),
                  r = std::min<int64_t>(std::max(sxA, sxB) + 1, source->Width());
    const int64_t t = std::max<int64_t>(std::min(syA, syB), 0),
                  b = std::min<int64_t>(std::max(syA, syB) + 1, source->Height());
    if (r <= l || b <= t) return;  // every sample lies outside the bitmap
    Spend((r - l) * (b - t));
    source->DecodeRegion(
        {static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b)});
  }
  const uint8_t pat[3] = {BlueOf(pattern), GreenOf(pattern), RedOf(pattern)};
  for (int y = fromY; y <= toY; ++y) {
    const int64_t sy = source ? SourceIndex(y, top, bottom, srcY, srcHeight) : 0;
    uint8_t* row = RowAt(y);
    for (int x = fromX; x <= toX; ++x) {
      uint8_t src[4] = {0, 0, 0, 0};
      if (source) {
        const int64_t sx = SourceIndex(x, left, right, srcX, srcWidth);
        if (sx < 0 || sy < 0 || sx >= source->Width() || sy >= source->Height()) continue;
        source->Pixel(static_cast<int>(sx), static_cast<int>(sy), src);
      }
      uint8_t* d = row + 4 * static_cast<size_t>(x);
      for (int c = 0; c < 3; ++c) d[c] = ApplyRop(rop, src[c], d[c], pat[c]);
    }
  }
}

RasterImage MetaCanvas::TakeRaster() {
  RowAt(0);
  return std::move(pixels_);
}

}  // namespace tessalin
