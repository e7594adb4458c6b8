#include "formats/metafile_codec.h"

#include <uemf.h>
#include <uwmf.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "formats/dib.h"
#include "formats/metafile_canvas.h"

namespace tessalin {

namespace {

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
  ThrowFileError(name, "is not a readable metafile: " + what + ".");
}

// How much of a file is read first for its header (an old-style file without
// a placeable header declares its size in a record near the start).
constexpr size_t kMetafileHeadBytes = 64 * 1024;

// Little-endian reads that never leave the span: a short record is an error.
class Reader {
 public:
  Reader(std::span<const uint8_t> bytes, const std::string& name) : b_(bytes), name_(name) {}
  void Need(size_t at, size_t count) const {
    if (at > b_.size() || count > b_.size() - at) Fail(name_, "a record is cut short");
  }
  uint32_t U32(size_t at) const {
    Need(at, 4);
    return b_[at] | (b_[at + 1] << 8) | (b_[at + 2] << 16) | (static_cast<uint32_t>(b_[at + 3]) << 24);
  }
  int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
  uint16_t U16(size_t at) const {
    Need(at, 2);
    return static_cast<uint16_t>(b_[at] | (b_[at + 1] << 8));
  }
  int16_t I16(size_t at) const { return static_cast<int16_t>(U16(at)); }
  float F32(size_t at) const {
    const uint32_t v = U32(at);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
  }
  std::span<const uint8_t> Sub(size_t at, size_t count) const {
    Need(at, count);
    return b_.subspan(at, count);
  }
  size_t Size() const { return b_.size(); }

 private:
  std::span<const uint8_t> b_;
  const std::string& name_;
};

Color ColorRef(uint32_t v) { return v & 0xFFFFFF; }

struct Pen {
  Color color = kBlack;
  double width = 0;  // logical units; 0 is one pixel
  bool none = false;
};
struct Brush {
  Color color = kWhite;
  bool none = false;
};
struct GdiObject {
  enum Kind { kPen, kBrush, kOther } kind = kOther;
  Pen pen;
  Brush brush;
};

struct Xform {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
  PointF Apply(PointF p) const { return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy}; }
  Xform Then(const Xform& o) const {  // this first, then o
    return {m11 * o.m11 + m12 * o.m21, m11 * o.m12 + m12 * o.m22,      m21 * o.m11 + m22 * o.m21,
            m21 * o.m12 + m22 * o.m22, dx * o.m11 + dy * o.m21 + o.dx, dx * o.m12 + dy * o.m22 + o.dy};
  }
};

struct DcState {
  int mapMode = 1;  // MM_TEXT
  double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
  double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
  Xform world;
  Pen pen;
  Brush brush;
  bool winding = false;
  PointF position;
};

// Shared by both players: the device context, its objects and the drawing calls.
class Player {
 public:
  Player(MetaCanvas& canvas, const std::string& name) : canvas_(canvas), name_(name) {}

  DcState dc;
  // Page space to output pixels; the caller sets these from the file's header.
  double pxPerMmX = 96 / 25.4, pxPerMmY = 96 / 25.4;
  double originX = 0, originY = 0, scaleX = 1, scaleY = 1;
  bool wmf = false;  // old-style: the window maps onto the whole output

  // A transform of NaN or infinity would make every size computed from it
  // meaningless: such a file is refused, not drawn.
  PointF ToDevice(double x, double y) const {
    const PointF p = Map(x, y);
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
      Fail(name_, "a point maps to a coordinate that is not a finite number");
    return p;
  }

  void SetWorld(const Xform& world) {
    for (double v : {world.m11, world.m12, world.m21, world.m22, world.dx, world.dy})
      if (!std::isfinite(v)) Fail(name_, "its world transform holds a number that is not finite");
    dc.world = world;
  }

  double PenPixels() const {
    const PointF a = ToDevice(0, 0), b = ToDevice(dc.pen.width, 0);
    return std::hypot(b.x - a.x, b.y - a.y);
  }

  void Create(uint32_t index, GdiObject object) { objects_[index] = object; }
  void Delete(uint32_t index) {
    if (objects_.erase(index) && wmf && index < nextSlot_) freedSlots_.insert(index);
  }

  // Old-style files number their objects by the lowest free slot. Every slot
  // below nextSlot_ is taken unless it waits in freedSlots_, so no create walks
  // the table.
  void CreateInFreeSlot(GdiObject object) {
    uint32_t slot = nextSlot_;
    if (freedSlots_.empty()) {
      ++nextSlot_;
    } else {
      slot = *freedSlots_.begin();
      freedSlots_.erase(freedSlots_.begin());
    }
    objects_[slot] = object;
  }

 private:
  PointF Map(double x, double y) const {
    const PointF w = dc.world.Apply({x, y});
    double sx = 1, sy = 1;
    if (wmf) {
      sx = dc.winExtX == 0 ? 1 : scaleX / dc.winExtX;
      sy = dc.winExtY == 0 ? 1 : scaleY / dc.winExtY;
      return {(w.x - dc.winOrgX) * sx, (w.y - dc.winOrgY) * sy};
    }
    switch (dc.mapMode) {
      case 2:
        sx = 0.1 * pxPerMmX, sy = -0.1 * pxPerMmY;
        break;  // LOMETRIC
      case 3:
        sx = 0.01 * pxPerMmX, sy = -0.01 * pxPerMmY;
        break;  // HIMETRIC
      case 4:
        sx = 0.254 * pxPerMmX, sy = -0.254 * pxPerMmY;
        break;  // LOENGLISH
      case 5:
        sx = 0.0254 * pxPerMmX, sy = -0.0254 * pxPerMmY;
        break;  // HIENGLISH
      case 6:
        sx = 25.4 / 1440 * pxPerMmX, sy = -25.4 / 1440 * pxPerMmY;
        break;  // TWIPS
      case 7:
      case 8:
        sx = dc.winExtX == 0 ? 1 : dc.vpExtX / dc.winExtX;
        sy = dc.winExtY == 0 ? 1 : dc.vpExtY / dc.winExtY;
        if (dc.mapMode == 7) {  // ISOTROPIC: one scale, signs kept
          const double m = std::min(std::fabs(sx), std::fabs(sy));
          sx = std::copysign(m, sx), sy = std::copysign(m, sy);
        }
        break;
      default:
        break;
    }
    const double dx = (w.x - dc.winOrgX) * sx + dc.vpOrgX, dy = (w.y - dc.winOrgY) * sy + dc.vpOrgY;
    return {(dx - originX) * scaleX, (dy - originY) * scaleY};
  }

 public:
  void Select(uint32_t index) {
    if (index & 0x80000000u) {  // stock objects
      switch (index & 0x7FFFFFFF) {
        case 0:
          dc.brush = {kWhite, false};
          break;
        case 1:
          dc.brush = {MakeColor(192, 192, 192), false};
          break;
        case 2:
          dc.brush = {MakeColor(128, 128, 128), false};
          break;
        case 3:
          dc.brush = {MakeColor(64, 64, 64), false};
          break;
        case 4:
          dc.brush = {kBlack, false};
          break;
        case 5:
          dc.brush.none = true;
          break;
        case 6:
          dc.pen = {kWhite, 0, false};
          break;
        case 7:
          dc.pen = {kBlack, 0, false};
          break;
        case 8:
          dc.pen.none = true;
          break;
        default:
          break;
      }
      return;
    }
    const auto it = objects_.find(index);
    if (it == objects_.end()) return;
    if (it->second.kind == GdiObject::kPen) dc.pen = it->second.pen;
    if (it->second.kind == GdiObject::kBrush) dc.brush = it->second.brush;
  }

  // Each saved state costs far more than its 8-byte record: the stack is bounded.
  void Save() {
    constexpr size_t kMaxSaved = 65536;
    if (saved_.size() >= kMaxSaved)
      Fail(name_,
           "it saves more than " + std::to_string(kMaxSaved) + " drawing states without restoring them");
    saved_.push_back(dc);
  }
  void Restore(int relative) {
    if (relative >= 0 || saved_.empty()) return;
    const size_t drop = std::min(saved_.size(), static_cast<size_t>(-static_cast<int64_t>(relative)));
    dc = saved_[saved_.size() - drop];
    saved_.resize(saved_.size() - drop);
  }

  std::vector<PointF> Device(const std::vector<PointF>& logical) const {
    std::vector<PointF> out;
    out.reserve(logical.size());
    for (const PointF& p : logical) out.push_back(ToDevice(p.x, p.y));
    return out;
  }

  void Polygons(const std::vector<std::vector<PointF>>& logical) {
    std::vector<std::vector<PointF>> device;
    for (const auto& poly : logical) device.push_back(Device(poly));
    if (!dc.brush.none) canvas_.FillPolygons(device, dc.brush.color, dc.winding);
    if (!dc.pen.none)
      for (const auto& poly : device) canvas_.Stroke(poly, true, dc.pen.color, PenPixels());
  }

  void Polyline(const std::vector<PointF>& logical) {
    if (!dc.pen.none) canvas_.Stroke(Device(logical), false, dc.pen.color, PenPixels());
  }

  void LineTo(double x, double y) {
    Polyline({dc.position, {x, y}});
    dc.position = {x, y};
  }

  void Box(double l, double t, double r, double b, bool ellipse) {
    const PointF a = ToDevice(l, t), c = ToDevice(r, b);
    const Color* fill = dc.brush.none ? nullptr : &dc.brush.color;
    const Color* pen = dc.pen.none ? nullptr : &dc.pen.color;
    if (ellipse)
      canvas_.Ellipse(a.x, a.y, c.x, c.y, fill, pen, PenPixels());
    else
      canvas_.Rectangle(a.x, a.y, c.x, c.y, fill, pen, PenPixels());
  }

  // A bitmap (or, without one, the brush) onto the logical destination rectangle.
  void Bitmap(double x, double y, double w, double h, std::optional<DibView> dib, int sx, int sy, int sw,
              int sh, bool bottomUpSource, uint32_t rop) {
    const PointF a = ToDevice(x, y), b = ToDevice(x + w, y + h);
    if (dib) {
      // Source rectangles count rows from the bottom of a bottom-up bitmap.
      const int64_t top = bottomUpSource ? int64_t{dib->Height()} - sy - sh : sy;
      canvas_.Blit(a.x, a.y, b.x, b.y, &*dib, sx, top, sw, sh, rop, dc.brush.color);
    } else {
      canvas_.Blit(a.x, a.y, b.x, b.y, nullptr, 0, 0, 0, 0, rop, dc.brush.none ? kWhite : dc.brush.color);
    }
  }

  const std::string& Name() const { return name_; }

 private:
  MetaCanvas& canvas_;
  const std::string& name_;
  std::map<uint32_t, GdiObject> objects_;
  uint32_t nextSlot_ = 0;
  std::set<uint32_t> freedSlots_;
  std::vector<DcState> saved_;
};

std::optional<DibView> EmbeddedDib(const Reader& rec, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                                   uint32_t cbBits, const std::string& name) {
  if (cbBmi == 0) return std::nullopt;
  return std::optional<DibView>(std::in_place, rec.Sub(offBmi, cbBmi), rec.Sub(offBits, cbBits), name);
}

bool BottomUp(const Reader& rec, uint32_t offBmi) { return rec.I32(offBmi + 8) > 0; }

// ---- enhanced metafiles ----

void PlayEmfRecord(Player& p, const Reader& r, uint32_t type, const std::string& name) {
  auto points32 = [&](size_t countAt, size_t at) {
    const uint32_t n = r.U32(countAt);
    r.Need(at, static_cast<size_t>(n) * 8);
    std::vector<PointF> pts(n);
    for (uint32_t i = 0; i < n; ++i) pts[i] = {double(r.I32(at + 8 * i)), double(r.I32(at + 8 * i + 4))};
    return pts;
  };
  auto points16 = [&](size_t countAt, size_t at) {
    const uint32_t n = r.U32(countAt);
    r.Need(at, static_cast<size_t>(n) * 4);
    std::vector<PointF> pts(n);
    for (uint32_t i = 0; i < n; ++i) pts[i] = {double(r.I16(at + 4 * i)), double(r.I16(at + 4 * i + 2))};
    return pts;
  };
  auto polyPoly = [&](bool small) {
    const uint32_t polys = r.U32(24), total = r.U32(28);
    r.Need(32, static_cast<size_t>(polys) * 4);
    const size_t at = 32 + static_cast<size_t>(polys) * 4;
    r.Need(at, static_cast<size_t>(total) * (small ? 4 : 8));
    std::vector<std::vector<PointF>> out;
    uint64_t used = 0;
    for (uint32_t k = 0; k < polys; ++k) {
      const uint32_t n = r.U32(32 + 4 * k);
      if (used + n > total) Fail(name, "a poly-polygon counts more points than it holds");
      std::vector<PointF> pts(n);
      for (uint32_t i = 0; i < n; ++i) {
        const size_t q = at + (used + i) * (small ? 4 : 8);
        pts[i] = small ? PointF{double(r.I16(q)), double(r.I16(q + 2))}
                       : PointF{double(r.I32(q)), double(r.I32(q + 4))};
      }
      used += n;
      out.push_back(std::move(pts));
    }
    return out;
  };
  auto withPosition = [&](std::vector<PointF> pts) {
    pts.insert(pts.begin(), p.dc.position);
    if (!pts.empty()) p.dc.position = pts.back();
    return pts;
  };
  DcState& dc = p.dc;
  switch (type) {
    case U_EMR_POLYGON:
      p.Polygons({points32(24, 28)});
      break;
    case U_EMR_POLYGON16:
      p.Polygons({points16(24, 28)});
      break;
    case U_EMR_POLYLINE:
      p.Polyline(points32(24, 28));
      break;
    case U_EMR_POLYLINE16:
      p.Polyline(points16(24, 28));
      break;
    case U_EMR_POLYLINETO:
      p.Polyline(withPosition(points32(24, 28)));
      break;
    case U_EMR_POLYLINETO16:
      p.Polyline(withPosition(points16(24, 28)));
      break;
    case U_EMR_POLYPOLYGON:
      p.Polygons(polyPoly(false));
      break;
    case U_EMR_POLYPOLYGON16:
      p.Polygons(polyPoly(true));
      break;
    case U_EMR_POLYPOLYLINE:
      for (const auto& line : polyPoly(false)) p.Polyline(line);
      break;
    case U_EMR_POLYPOLYLINE16:
      for (const auto& line : polyPoly(true)) p.Polyline(line);
      break;
    case U_EMR_SETWINDOWEXTEX:
      dc.winExtX = r.I32(8), dc.winExtY = r.I32(12);
      break;
    case U_EMR_SETWINDOWORGEX:
      dc.winOrgX = r.I32(8), dc.winOrgY = r.I32(12);
      break;
    case U_EMR_SETVIEWPORTEXTEX:
      dc.vpExtX = r.I32(8), dc.vpExtY = r.I32(12);
      break;
    case U_EMR_SETVIEWPORTORGEX:
      dc.vpOrgX = r.I32(8), dc.vpOrgY = r.I32(12);
      break;
    case U_EMR_SETMAPMODE:
      dc.mapMode = static_cast<int>(r.U32(8));
      break;
    case U_EMR_SETPOLYFILLMODE:
      dc.winding = r.U32(8) == 2;
      break;
    case U_EMR_MOVETOEX:
      dc.position = {double(r.I32(8)), double(r.I32(12))};
      break;
    case U_EMR_LINETO:
      p.LineTo(r.I32(8), r.I32(12));
      break;
    case U_EMR_SAVEDC:
      p.Save();
      break;
    case U_EMR_RESTOREDC:
      p.Restore(r.I32(8));
      break;
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: {
      Xform x{r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28)};
      const uint32_t mode = type == U_EMR_SETWORLDTRANSFORM ? 4 : r.U32(32);
      if (mode == 1) p.SetWorld(Xform());
      if (mode == 2) p.SetWorld(x.Then(dc.world));
      if (mode == 3) p.SetWorld(dc.world.Then(x));
      if (mode == 4) p.SetWorld(x);
      break;
    }
    case U_EMR_CREATEPEN: {
      GdiObject o;
      o.kind = GdiObject::kPen;
      o.pen = {ColorRef(r.U32(24)), double(r.I32(16)), (r.U32(12) & 0xF) == 5};
      p.Create(r.U32(8), o);
      break;
    }
    case U_EMR_EXTCREATEPEN: {
      GdiObject o;
      o.kind = GdiObject::kPen;
      o.pen = {ColorRef(r.U32(40)), double(r.U32(32)), (r.U32(28) & 0xF) == 5 || r.U32(36) == 1};
      p.Create(r.U32(8), o);
      break;
    }
    case U_EMR_CREATEBRUSHINDIRECT: {
      GdiObject o;
      o.kind = GdiObject::kBrush;
      o.brush = {ColorRef(r.U32(16)), r.U32(12) == 1};
      p.Create(r.U32(8), o);
      break;
    }
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_CREATEPALETTE:
      p.Create(r.U32(8), GdiObject());
      break;
    case U_EMR_SELECTOBJECT:
      p.Select(r.U32(8));
      break;
    case U_EMR_DELETEOBJECT:
      p.Delete(r.U32(8));
      break;
    case U_EMR_RECTANGLE:
      p.Box(r.I32(8), r.I32(12), r.I32(16), r.I32(20), false);
      break;
    case U_EMR_ROUNDRECT:
      p.Box(r.I32(8), r.I32(12), r.I32(16), r.I32(20), false);
      break;
    case U_EMR_ELLIPSE:
      p.Box(r.I32(8), r.I32(12), r.I32(16), r.I32(20), true);
      break;
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT: {
      const uint32_t offBmi = r.U32(84), cbBmi = r.U32(88);
      auto dib = EmbeddedDib(r, offBmi, cbBmi, r.U32(92), r.U32(96), name);
      const int w = r.I32(32), h = r.I32(36);
      const int sw = type == U_EMR_STRETCHBLT ? r.I32(100) : w,
                sh = type == U_EMR_STRETCHBLT ? r.I32(104) : h;
      // Blit sources count rows from the top of the bitmap.
      p.Bitmap(r.I32(24), r.I32(28), w, h, std::move(dib), r.I32(44), r.I32(48), sw, sh, false, r.U32(40));
      break;
    }
    case U_EMR_STRETCHDIBITS: {
      const uint32_t offBmi = r.U32(48), cbBmi = r.U32(52);
      auto dib = EmbeddedDib(r, offBmi, cbBmi, r.U32(56), r.U32(60), name);
      const bool bottomUp = dib && BottomUp(r, offBmi);
      p.Bitmap(r.I32(24), r.I32(28), r.I32(72), r.I32(76), std::move(dib), r.I32(32), r.I32(36), r.I32(40),
               r.I32(44), bottomUp, r.U32(68));
      break;
    }
    case U_EMR_SETDIBITSTODEVICE: {
      const uint32_t offBmi = r.U32(48), cbBmi = r.U32(52);
      auto dib = EmbeddedDib(r, offBmi, cbBmi, r.U32(56), r.U32(60), name);
      if (!dib) break;
      const bool bottomUp = BottomUp(r, offBmi);
      const int w = r.I32(40), h = r.I32(44);
      p.Bitmap(r.I32(24), r.I32(28), w, h, std::move(dib), r.I32(32), r.I32(36), w, h, bottomUp, 0x00CC0020);
      break;
    }
    default:
      break;  // text, paths, clipping and the rest are not played
  }
}

// ---- old-style metafiles ----

void PlayWmfRecord(Player& p, const Reader& r, uint32_t words, uint16_t function, const std::string& name) {
  DcState& dc = p.dc;
  auto points = [&](size_t at, uint32_t n) {
    r.Need(at, static_cast<size_t>(n) * 4);
    std::vector<PointF> pts(n);
    for (uint32_t i = 0; i < n; ++i) pts[i] = {double(r.I16(at + 4 * i)), double(r.I16(at + 4 * i + 2))};
    return pts;
  };
  auto dibAt = [&](size_t at) -> std::optional<DibView> {
    const size_t end = static_cast<size_t>(words) * 2;
    if (at >= end) return std::nullopt;
    const auto all = r.Sub(at, end - at);
    const DibHeader h = ReadDibHeader(all, name);
    return std::optional<DibView>(std::in_place, all, all.subspan(static_cast<size_t>(h.headerSize)), name);
  };
  // libUEMF numbers the old records by the low byte of their function code.
  switch (function & 0xFF) {
    case U_WMR_SETWINDOWORG:
      dc.winOrgY = r.I16(6), dc.winOrgX = r.I16(8);
      break;
    case U_WMR_SETWINDOWEXT:
      dc.winExtY = r.I16(6), dc.winExtX = r.I16(8);
      break;
    case U_WMR_SETPOLYFILLMODE:
      dc.winding = r.U16(6) == 2;
      break;
    case U_WMR_SAVEDC:
      p.Save();
      break;
    case U_WMR_RESTOREDC:
      p.Restore(r.I16(6));
      break;
    case U_WMR_MOVETO:
      dc.position = {double(r.I16(8)), double(r.I16(6))};
      break;
    case U_WMR_LINETO:
      p.LineTo(r.I16(8), r.I16(6));
      break;
    case U_WMR_POLYLINE:
      p.Polyline(points(8, r.U16(6)));
      break;
    case U_WMR_POLYGON:
      p.Polygons({points(8, r.U16(6))});
      break;
    case U_WMR_POLYPOLYGON: {
      const uint16_t n = r.U16(6);
      size_t at = 8 + 2 * static_cast<size_t>(n);
      std::vector<std::vector<PointF>> polys;
      for (uint16_t k = 0; k < n; ++k) {
        const uint16_t count = r.U16(8 + 2 * k);
        polys.push_back(points(at, count));
        at += 4 * static_cast<size_t>(count);
      }
      p.Polygons(polys);
      break;
    }
    case U_WMR_RECTANGLE:
    case U_WMR_ROUNDRECT: {
      const size_t at = function == U_WMR_ROUNDRECT ? 10 : 6;
      p.Box(r.I16(at + 6), r.I16(at + 4), r.I16(at + 2), r.I16(at), false);
      break;
    }
    case U_WMR_ELLIPSE:
      p.Box(r.I16(12), r.I16(10), r.I16(8), r.I16(6), true);
      break;
    case U_WMR_CREATEPENINDIRECT: {
      GdiObject o;
      o.kind = GdiObject::kPen;
      o.pen = {ColorRef(r.U32(12)), double(r.I16(8)), (r.U16(6) & 0xF) == 5};
      p.CreateInFreeSlot(o);
      break;
    }
    case U_WMR_CREATEBRUSHINDIRECT: {
      GdiObject o;
      o.kind = GdiObject::kBrush;
      o.brush = {ColorRef(r.U32(8)), r.U16(6) == 1};
      p.CreateInFreeSlot(o);
      break;
    }
    case U_WMR_CREATEFONTINDIRECT:
    case U_WMR_CREATEPALETTE:
    case U_WMR_CREATEPATTERNBRUSH:
    case U_WMR_DIBCREATEPATTERNBRUSH:
    case U_WMR_CREATEREGION:
      p.CreateInFreeSlot(GdiObject());
      break;
    case U_WMR_SELECTOBJECT:
      p.Select(r.U16(6));
      break;
    case U_WMR_DELETEOBJECT:
      p.Delete(r.U16(6));
      break;
    case U_WMR_STRETCHDIB: {
      auto dib = dibAt(28);
      const bool bottomUp = dib && r.I32(28 + 8) > 0;
      p.Bitmap(r.I16(26), r.I16(24), r.I16(22), r.I16(20), std::move(dib), r.I16(18), r.I16(16), r.I16(14),
               r.I16(12), bottomUp, r.U32(6));
      break;
    }
    case U_WMR_DIBSTRETCHBLT: {
      const bool withBitmap = words != static_cast<uint32_t>((function >> 8) + 3);
      const size_t d = withBitmap ? 0 : 2;
      auto dib = withBitmap ? dibAt(26) : std::nullopt;
      p.Bitmap(r.I16(24 + d), r.I16(22 + d), r.I16(20 + d), r.I16(18 + d), std::move(dib), r.I16(16),
               r.I16(14), r.I16(12), r.I16(10), false, r.U32(6));
      break;
    }
    case U_WMR_DIBBITBLT: {
      const bool withBitmap = words != static_cast<uint32_t>((function >> 8) + 3);
      const size_t d = withBitmap ? 0 : 2;
      auto dib = withBitmap ? dibAt(22) : std::nullopt;
      const int w = r.I16(16 + d), h = r.I16(14 + d);
      p.Bitmap(r.I16(20 + d), r.I16(18 + d), w, h, std::move(dib), r.I16(12), r.I16(10), w, h, false,
               r.U32(6));
      break;
    }
    case U_WMR_SETDIBTODEV: {
      auto dib = dibAt(24);
      if (!dib) break;
      const bool bottomUp = r.I32(24 + 8) > 0;
      const int w = r.I16(18), h = r.I16(16);
      p.Bitmap(r.I16(22), r.I16(20), w, h, std::move(dib), r.I16(14), r.I16(12), w, h, bottomUp, 0x00CC0020);
      break;
    }
    default:
      break;
  }
}

}  // namespace

namespace {

// The output grid an enhanced metafile's header declares.
struct EmfFrame {
  int64_t width = 0, height = 0;
  double originX = 0, originY = 0, pxPerMmX = 96 / 25.4, pxPerMmY = 96 / 25.4;
};

// Reads the 88-byte header; refuses a missing header, no size, or a size past the pixel limit.
EmfFrame ReadEmfFrame(std::span<const uint8_t> bytes, const std::string& name) {
  const Reader head(bytes, name);
  if (bytes.size() < 88 || head.U32(0) != U_EMR_HEADER || head.U32(40) != 0x464D4520)
    Fail(name, "the enhanced metafile header is missing");
  const int32_t bl = head.I32(8), bt = head.I32(12), br = head.I32(16), bb = head.I32(20);
  const int32_t fl = head.I32(24), ft = head.I32(28), fr = head.I32(32), fb = head.I32(36);
  const int32_t devX = head.I32(72), devY = head.I32(76), mmX = head.I32(80), mmY = head.I32(84);

  EmfFrame f;
  if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0)
    f.pxPerMmX = double(devX) / mmX, f.pxPerMmY = double(devY) / mmY;
  f.originX = fl * f.pxPerMmX / 100, f.originY = ft * f.pxPerMmY / 100;
  f.width = std::llround((static_cast<double>(fr) - fl) * f.pxPerMmX / 100);
  f.height = std::llround((static_cast<double>(fb) - ft) * f.pxPerMmY / 100);
  if (f.width <= 0 || f.height <= 0) {  // no usable frame: the bounds in device pixels
    f.width = static_cast<int64_t>(br) - bl + 1, f.height = static_cast<int64_t>(bb) - bt + 1;
    f.originX = bl, f.originY = bt;
  }
  if (f.width <= 0 || f.height <= 0) Fail(name, "it has no picture size");
  CheckPicturePixels(name, f.width, f.height);
  // Our frame is the picture's pixel grid: snap its origin when it lies on one.
  if (std::fabs(f.originX - std::nearbyint(f.originX)) < 0.05) f.originX = std::nearbyint(f.originX);
  if (std::fabs(f.originY - std::nearbyint(f.originY)) < 0.05) f.originY = std::nearbyint(f.originY);
  return f;
}

}  // namespace

namespace {

// Every record's offset and size up to the end record, checked before anything
// is allocated, so that a damaged file costs no canvas.
std::vector<std::pair<size_t, uint32_t>> EmfRecords(std::span<const uint8_t> bytes, const std::string& name) {
  const Reader head(bytes, name);
  std::vector<std::pair<size_t, uint32_t>> records;
  for (size_t at = 0; at < bytes.size();) {
    if (bytes.size() - at < 8) Fail(name, "a record is cut short");
    const uint32_t type = head.U32(at), size = head.U32(at + 4);
    if (size < 8 || size % 4 != 0 || size > bytes.size() - at) Fail(name, "a record is cut short or damaged");
    if (type == U_EMR_EOF) return records;
    records.emplace_back(at, size);
    at += size;
  }
  Fail(name, "it ends before its last record");
}

}  // namespace

RasterImage DecodeEmf(std::span<const uint8_t> bytes, const std::string& name) {
  const Reader head(bytes, name);
  const EmfFrame frame = ReadEmfFrame(bytes, name);
  const std::vector<std::pair<size_t, uint32_t>> records = EmfRecords(bytes, name);
  MetaCanvas canvas(static_cast<int>(frame.width), static_cast<int>(frame.height), name);
  Player player(canvas, name);
  player.pxPerMmX = frame.pxPerMmX, player.pxPerMmY = frame.pxPerMmY;
  player.originX = frame.originX, player.originY = frame.originY;
  for (const auto& [at, size] : records)
    PlayEmfRecord(player, Reader(bytes.subspan(at, size), name), head.U32(at), name);
  return canvas.TakeRaster();
}

namespace {

// An old-style metafile's records and the output grid they declare.
struct WmfLayout {
  std::vector<std::pair<size_t, uint32_t>> records;  // offset and size in words
  int64_t width = 0, height = 0;
  double orgX = 0, orgY = 0, extX = 0, extY = 0;
};

// Walks the headers and records once, checking each, and works out the picture
// size: the placeable header's box, or the first window extent. With `headOnly`
// the bytes are only the file's beginning: the walk stops where they end and
// only a size found so far is checked against the pixel limit.
WmfLayout ReadWmfLayout(std::span<const uint8_t> bytes, const std::string& name, bool headOnly) {
  const Reader head(bytes, name);
  size_t at = 0;
  bool placeable = false;
  int bboxL = 0, bboxT = 0, bboxR = 0, bboxB = 0, inch = 0;
  if (bytes.size() >= 22 && head.U32(0) == 0x9AC6CDD7u) {
    placeable = true;
    bboxL = head.I16(6), bboxT = head.I16(8), bboxR = head.I16(10), bboxB = head.I16(12);
    inch = head.U16(14);
    at = 22;
  }
  if (bytes.size() < at + 18) Fail(name, "the Windows metafile header is missing");
  const uint16_t kind = head.U16(at), headerWords = head.U16(at + 2);
  if ((kind != 1 && kind != 2) || headerWords != 9) Fail(name, "the Windows metafile header is damaged");
  const size_t first = at + 18;

  WmfLayout layout;
  bool ended = false, haveExt = false;
  for (size_t pos = first; pos < bytes.size();) {
    const bool whole = bytes.size() - pos >= 6 && head.U32(pos) <= (bytes.size() - pos) / 2;
    if (headOnly && !whole) break;
    if (bytes.size() - pos < 6) Fail(name, "a record is cut short");
    const uint32_t words = head.U32(pos);
    const uint16_t function = head.U16(pos + 4);
    if (words < 3 || words > (bytes.size() - pos) / 2) Fail(name, "a record is cut short or damaged");
    if (function == 0) {
      ended = true;
      break;
    }
    if ((function & 0xFF) == U_WMR_SETWINDOWEXT && !haveExt && words >= 5) {
      layout.extY = head.I16(pos + 6), layout.extX = head.I16(pos + 8), haveExt = true;
    }
    if ((function & 0xFF) == U_WMR_SETWINDOWORG && !haveExt && words >= 5)
      layout.orgY = head.I16(pos + 6), layout.orgX = head.I16(pos + 8);
    if (!headOnly) layout.records.emplace_back(pos, words);
    pos += static_cast<size_t>(words) * 2;
  }
  if (!ended && !headOnly) Fail(name, "it ends before its last record");

  if (placeable) {
    if (inch == 0) inch = 1440;
    layout.width = std::llround(std::fabs(double(bboxR) - bboxL) * kMetafileScreenDpi / inch);
    layout.height = std::llround(std::fabs(double(bboxB) - bboxT) * kMetafileScreenDpi / inch);
    layout.orgX = bboxL, layout.orgY = bboxT, layout.extX = bboxR - bboxL, layout.extY = bboxB - bboxT;
  } else if (haveExt) {
    layout.width = std::llround(std::fabs(layout.extX)), layout.height = std::llround(std::fabs(layout.extY));
  }
  if ((layout.width <= 0 || layout.height <= 0) && !headOnly) Fail(name, "it has no picture size");
  CheckPicturePixels(name, layout.width, layout.height);
  return layout;
}

}  // namespace

RasterImage DecodeWmf(std::span<const uint8_t> bytes, const std::string& name) {
  const Reader head(bytes, name);
  const WmfLayout layout = ReadWmfLayout(bytes, name, false);
  const int64_t width = layout.width, height = layout.height;
  // The window (whatever the records set it to) spans the whole picture.
  MetaCanvas canvas(static_cast<int>(width), static_cast<int>(height), name);
  Player player(canvas, name);
  player.wmf = true;
  player.scaleX = static_cast<double>(width), player.scaleY = static_cast<double>(height);
  player.dc.winOrgX = layout.orgX, player.dc.winOrgY = layout.orgY;
  player.dc.winExtX = layout.extX == 0 ? 1 : layout.extX,
  player.dc.winExtY = layout.extY == 0 ? 1 : layout.extY;
  for (const auto& [pos, words] : layout.records) {
    const Reader r(bytes.subspan(pos, static_cast<size_t>(words) * 2), name);
    PlayWmfRecord(player, r, words, head.U16(pos + 4), name);
  }
  return canvas.TakeRaster();
}

RasterImage LoadMetafile(const std::string& path) {
  const bool enhanced = LowerExtension(path) == ".emf";
  // The size the header declares is checked before the whole file is read.
  const std::vector<uint8_t> start = ReadFilePart(path, 0, kMetafileHeadBytes);
  if (enhanced)
    ReadEmfFrame(start, path);
  else
    ReadWmfLayout(start, path, true);
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  return enhanced ? DecodeEmf(bytes, path) : DecodeWmf(bytes, path);
}

// ---- writing ----

namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Patch32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The picture as a bottom-up 24-bit DIB: BITMAPINFOHEADER and rows.
struct Dib24 {
  std::vector<uint8_t> info;
  std::vector<uint8_t> bits;
};

Dib24 MakeDib24(const RasterImage& picture) {
  const int w = picture.Width(), h = picture.Height();
  const size_t stride = static_cast<size_t>(DibStride(w, 24));
  Dib24 d;
  Put32(d.info, 40), Put32(d.info, static_cast<uint32_t>(w)), Put32(d.info, static_cast<uint32_t>(h));
  Put16(d.info, 1), Put16(d.info, 24), Put32(d.info, 0), Put32(d.info, static_cast<uint32_t>(stride * h));
  Put32(d.info, 3780), Put32(d.info, 3780), Put32(d.info, 0), Put32(d.info, 0);  // 96 dpi
  d.bits.assign(stride * h, 0);
  for (int y = 0; y < h; ++y) picture.ReadRowBgr(y, d.bits.data() + stride * (h - 1 - y));
  return d;
}

void AppendRecord(std::vector<uint8_t>& out, char* record, size_t bytes) {
  if (!record) throw TessalinError("The metafile record could not be made (out of memory).");
  out.insert(out.end(), reinterpret_cast<uint8_t*>(record), reinterpret_cast<uint8_t*>(record) + bytes);
  std::free(record);
}

uint32_t EmfRecordSize(const char* record) {
  uint32_t size;
  std::memcpy(&size, record + 4, 4);
  return size;
}

uint32_t WmfRecordWords(const char* record) {
  uint32_t words;
  std::memcpy(&words, record, 4);
  return words;
}

void CheckWritable(const RasterImage& picture, int maxSide) {
  if (!picture.HasImage()) throw TessalinError("There is no picture to write.");
  if (picture.Width() > maxSide || picture.Height() > maxSide)
    throw TessalinError("A metafile of this kind holds at most " + std::to_string(maxSide) +
                        " pixels a side.");
}

}  // namespace

std::vector<uint8_t> EncodeEmf(const RasterImage& picture) {
  CheckWritable(picture, 1 << 24);
  const int w = picture.Width(), h = picture.Height();
  // A 96 dpi reference screen of 1920 x 1440 pixels, 508 x 381 millimetres.
  const U_SIZEL device = sizel_set(1920, 1440), millimetres = sizel_set(508, 381);
  const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(w - 1, h - 1));
  const U_RECTL frame =
      rectl_set(point32_set(0, 0), point32_set(static_cast<int32_t>(std::llround(w * 2540.0 / 96)),
                                               static_cast<int32_t>(std::llround(h * 2540.0 / 96))));
  std::vector<uint8_t> out;
  uint32_t records = 0;
  char* header = U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, device, millimetres, 0);
  AppendRecord(out, header, header ? EmfRecordSize(header) : 0);
  ++records;

  Dib24 dib = MakeDib24(picture);
  std::vector<uint8_t> bmi = dib.info;
  char* blit = U_EMRSTRETCHDIBITS_set(
      bounds, point32_set(0, 0), point32_set(w, h), point32_set(0, 0), point32_set(w, h), U_DIB_RGB_COLORS,
      U_SRCCOPY, reinterpret_cast<PU_BITMAPINFO>(bmi.data()), static_cast<uint32_t>(dib.bits.size()),
      reinterpret_cast<char*>(dib.bits.data()));
  AppendRecord(out, blit, blit ? EmfRecordSize(blit) : 0);
  ++records;

  // EOF: no palette entries, then its own size.
  Put32(out, U_EMR_EOF), Put32(out, 20), Put32(out, 0), Put32(out, 16), Put32(out, 20);
  ++records;
  Patch32(out, 48, static_cast<uint32_t>(out.size()));
  Patch32(out, 52, records);
  out[56] = 1, out[57] = 0;  // handles: the reserved zeroth one
  return out;
}

std::vector<uint8_t> EncodeWmf(const RasterImage& picture) {
  CheckWritable(picture, 32767);
  const int w = picture.Width(), h = picture.Height();
  std::vector<uint8_t> body;
  uint32_t maxRecord = 3;
  auto append = [&](char* record) {
    if (!record) throw TessalinError("The metafile record could not be made (out of memory).");
    const uint32_t words = WmfRecordWords(record);
    maxRecord = std::max(maxRecord, words);
    AppendRecord(body, record, static_cast<size_t>(words) * 2);
  };
  U_POINT16 org{0, 0}, ext{static_cast<int16_t>(w), static_cast<int16_t>(h)};
  append(U_WMRSETWINDOWORG_set(org));
  append(U_WMRSETWINDOWEXT_set(ext));
  Dib24 dib = MakeDib24(picture);
  std::vector<uint8_t> bmi = dib.info;
  append(U_WMRSTRETCHDIB_set(U_POINT16{0, 0}, U_POINT16{static_cast<int16_t>(w), static_cast<int16_t>(h)},
                             U_POINT16{0, 0}, U_POINT16{static_cast<int16_t>(w), static_cast<int16_t>(h)},
                             U_DIB_RGB_COLORS, U_SRCCOPY, reinterpret_cast<const U_BITMAPINFO*>(bmi.data()),
                             static_cast<uint32_t>(dib.bits.size()),
                             reinterpret_cast<const char*>(dib.bits.data())));
  append(U_WMREOF_set());

  std::vector<uint8_t> out;
  // Placeable header: key, handle, bounding box, units per inch, reserved, checksum.
  Put32(out, 0x9AC6CDD7u), Put16(out, 0), Put16(out, 0), Put16(out, 0), Put16(out, w), Put16(out, h);
  Put16(out, kMetafileScreenDpi), Put32(out, 0);
  uint16_t checksum = 0;
  for (int i = 0; i < 10; ++i) checksum ^= static_cast<uint16_t>(out[2 * i] | (out[2 * i + 1] << 8));
  Put16(out, checksum);
  // Metafile header: in memory, 9 words, version 3.
  Put16(out, 1), Put16(out, 9), Put16(out, 0x0300);
  Put32(out, static_cast<uint32_t>(9 + body.size() / 2));
  Put16(out, 0), Put32(out, maxRecord), Put16(out, 0);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

void SaveEmfFile(const RasterImage& picture, const std::string& path) {
  try {
    WriteFileAtomically(path, EncodeEmf(picture));
  } catch (const TessalinError& e) {
    if (std::string(e.what()).rfind(path, 0) == 0) throw;
    ThrowFileError(path, e.what());
  }
}

void SaveWmfFile(const RasterImage& picture, const std::string& path) {
  try {
    WriteFileAtomically(path, EncodeWmf(picture));
  } catch (const TessalinError& e) {
    if (std::string(e.what()).rfind(path, 0) == 0) throw;
    ThrowFileError(path, e.what());
  }
}

}  // namespace tessalin
