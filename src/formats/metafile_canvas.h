// The small rasteriser that plays metafile records: solid polygon fills
// (alternate or winding), pen strokes, GDI-style rectangles and ellipses, and
// stretched bitmap copies with the common raster operations. Coordinates are
// output pixels; pixel (x, y) covers [x, x + 1) x [y, y + 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/color.h"
#include "core/raster_image.h"
#include "formats/dib.h"

namespace tessalin {

struct PointF {
  double x = 0, y = 0;
};

class MetaCanvas {
 public:
  // White (made when first drawn on). A file whose records together would paint (or decode from their
  // embedded bitmaps) more than a generous multiple of the canvas is refused
  // with an error naming `name`.
  MetaCanvas(int width, int height, const std::string& name);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Fills the pixels whose centres lie inside the polygons.
  void FillPolygons(const std::vector<std::vector<PointF>>& polygons, Color color, bool winding);
  // A pen of `width` pixels along the points; open lines leave out their last pixel, as GDI does.
  void Stroke(const std::vector<PointF>& points, bool closed, Color color, double width);
  // GDI rectangle: fills [left, right) x [top, bottom), outlined on its border pixels.
  void Rectangle(double left, double top, double right, double bottom, const Color* fill, const Color* pen,
                 double penWidth);
  void Ellipse(double left, double top, double right, double bottom, const Color* fill, const Color* pen,
               double penWidth);
  // Copies the source rectangle (top-down pixel coordinates) of `source` onto the
  // destination rectangle, stretching by nearest pixel; a destination with
  // right < left (or bottom < top) mirrors. A null source paints with `pattern`.
  // Only the source pixels that land on the canvas are read (or decoded).
  void Blit(double left, double top, double right, double bottom, DibView* source, int64_t srcX, int64_t srcY,
            int64_t srcWidth, int64_t srcHeight, uint32_t rop, Color pattern);

  Color Pixel(int x, int y) const;
  RasterImage TakeRaster();  // pfDevice; the canvas is empty afterwards

 private:
  void Put(int x, int y, Color color);
  void Spend(int64_t work);
  void Line(int x0, int y0, int x1, int y1, Color color, bool lastPixel);

  int width_, height_;
  std::string name_;
  int64_t budget_;
  // Made at the first drawing, so that a file refused before it costs nothing.
  uint8_t* RowAt(int y);
  RasterImage pixels_;  // pfDevice: B, G, R, 0, drawn into directly
};

}  // namespace tessalin
