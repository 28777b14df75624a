#include "monitor/waveform_trace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/cairo_owners.h"

namespace sonavel {

namespace {

constexpr double miterLimit = 10.0;  // cairo's default
// The most pieces that can reach a column: the bands of the segments within
// the line's half width of it, and the joins between them.
constexpr int maxPieces = 2 * (2 * maxTraceScale + 1);

struct Point {
  double x, y;
};

// One convex piece of the line's outline: a segment's band, or the join that
// fills the outside of a turn. Each edge keeps its slope both ways, so that
// where a line across (y fixed) or down (x fixed) meets it is one loop
// without a division.
class Piece {
 public:
  void set(std::initializer_list<Point> corners) {
    n_ = 0;
    for (const Point& p : corners) v_[n_++] = p;
    for (int k = 0; k < n_; ++k) {
      const Point& p = v_[k];
      const Point& q = v_[k + 1 < n_ ? k + 1 : 0];
      slope_[k] = {q.y != p.y ? (q.x - p.x) / (q.y - p.y) : 0.0,
                   q.x != p.x ? (q.y - p.y) / (q.x - p.x) : 0.0};
    }
    bound();
  }
  // The band of the segment from a to b, one unit right of a, whose normal
  // (of half the line's width) is m: its long edges have the segment's slope
  // and its ends the normal's, so one division serves all four.
  void set_band(const Point& a, const Point& b, const Point& m) {
    n_ = 4;
    v_[0] = {a.x + m.x, a.y + m.y}, v_[1] = {b.x + m.x, b.y + m.y};
    v_[2] = {b.x - m.x, b.y - m.y}, v_[3] = {a.x - m.x, a.y - m.y};
    const double dy = b.y - a.y;
    const double inverse = dy != 0.0 ? 1.0 / dy : 0.0;
    slope_[0] = slope_[2] = {inverse, dy};
    slope_[1] = slope_[3] = {-dy, dy != 0.0 ? -inverse : 0.0};
    bound();
  }
  bool empty() const { return n_ == 0; }
  void clear() { n_ = 0; }

  // Where the line on which coordinate `fixed` is `at` meets the piece, as
  // the range of the `other` coordinate, if it does: section<&Point::y,
  // &Point::x> across, section<&Point::x, &Point::y> down.
  template <double Point::*fixed, double Point::*other>
  bool section(double at, double& lo, double& hi) const {
    if (n_ == 0 || at < min_.*fixed || at > max_.*fixed) return false;
    lo = 1e300, hi = -1e300;
    for (int k = 0; k < n_; ++k) {
      const Point& p = v_[k];
      const Point& q = v_[k + 1 < n_ ? k + 1 : 0];
      if ((p.*fixed <= at && at <= q.*fixed) || (q.*fixed <= at && at <= p.*fixed)) {
        if (p.*fixed == q.*fixed) {  // the edge lies on the line
          lo = std::min({lo, p.*other, q.*other}), hi = std::max({hi, p.*other, q.*other});
        } else {
          // x per y when y is fixed, y per x when x is.
          const double v = p.*other + (at - p.*fixed) * (slope_[k].*other);
          lo = std::min(lo, v), hi = std::max(hi, v);
        }
      }
    }
    return lo <= hi;
  }

 private:
  void bound() {
    min_ = max_ = v_[0];
    for (int k = 1; k < n_; ++k) {
      min_ = {std::min(min_.x, v_[k].x), std::min(min_.y, v_[k].y)};
      max_ = {std::max(max_.x, v_[k].x), std::max(max_.y, v_[k].y)};
    }
  }

  Point v_[4];
  Point slope_[4];  // per edge: .x is x per y (for a fixed y), .y is y per x
  int n_ = 0;
  Point min_{}, max_{};
};

// The trace's points in device pixels, one per device column: the logical
// points scaled, and between them the points of the straight segments that
// join them, so that the line is the same line, drawn finer.
const std::vector<double>& device_points(const std::vector<double>& ys, int scale,
                                         std::vector<double>& out) {
  out.clear();
  for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
    for (int k = 0; k < scale; ++k) {
      out.push_back(scale * (ys[i] + (ys[i + 1] - ys[i]) * k / scale));
    }
  }
  if (!ys.empty()) out.push_back(scale * ys.back());
  return out;
}

// The trace colour (0.2, 0.9, 0.3) as cairo stores it in a pixel.
std::uint32_t trace_pixel() {
  static const std::uint32_t pixel = [] {
    const CairoSurface probe(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
    const CairoContext cr(cairo_create(probe.get()));
    cairo_set_source_rgb(cr.get(), 0.2, 0.9, 0.3);
    cairo_paint(cr.get());
    cairo_surface_flush(probe.get());
    return *reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(probe.get()));
  }();
  return pixel;
}

// One row of the composed panel, without branches, which the compiler turns
// into vector code.
void compose_row(const std::uint32_t* __restrict in, std::uint32_t* __restrict out,
                 const int* __restrict top, const int* __restrict bottom, int y, int width,
                 std::uint32_t pixel) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t covered = 0u - static_cast<std::uint32_t>((top[x] <= y) & (y <= bottom[x]));
    out[x] = (pixel & covered) | (in[x] & ~covered);
  }
}

// Each row of the backdrop into canvas, with the pixels the spans cover in
// the trace colour. Row by row, so that it runs at the speed of a copy
// however tall the spans are.
void write_spans(const BackdropRows& backdrop, cairo_surface_t* canvas,
                 const std::vector<TraceSpan>& spans, std::vector<int>& tops,
                 std::vector<int>& bottoms) {
  const int width = cairo_image_surface_get_width(canvas);
  const int height = cairo_image_surface_get_height(canvas);
  tops.assign(width, height);  // no span: a top below every row
  bottoms.assign(width, -1);
  for (const TraceSpan& span : spans) {
    if (span.x < 0 || span.x >= width) continue;
    tops[span.x] = span.top;
    bottoms[span.x] = span.bottom;
  }
  cairo_surface_flush(canvas);
  unsigned char* to = cairo_image_surface_get_data(canvas);
  const int to_stride = cairo_image_surface_get_stride(canvas);
  const std::uint32_t pixel = trace_pixel();
  int first = height, last = -1;  // the rows the trace reaches; the rest is a copy
  for (const TraceSpan& span : spans)
    first = std::min(first, span.top), last = std::max(last, span.bottom);
  for (int y = 0; y < height; ++y) {
    if (y < first || y > last) {
      std::memcpy(to + y * to_stride, backdrop.row(y), static_cast<std::size_t>(width) * 4);
    } else {
      compose_row(backdrop.row(y), reinterpret_cast<std::uint32_t*>(to + y * to_stride),
                  tops.data(), bottoms.data(), y, width, pixel);
    }
  }
  cairo_surface_mark_dirty(canvas);
}

}  // namespace

// Kept from draw to draw, so that its storage is reused.
class TraceRasterizer::Outline {
 public:
  void build(const std::vector<double>& ys, double left, double half_width) {
    left_ = left;
    reach_ = static_cast<long>(std::ceil(half_width));
    count_ = ys.size();
    const std::size_t segments = count_ > 1 ? count_ - 1 : 0;
    bands_.resize(segments);
    joins_.resize(count_);
    dir_.resize(segments);
    normal_.resize(segments);
    std::vector<Point>& dir = dir_;
    std::vector<Point>& normal = normal_;
    for (std::size_t s = 0; s < segments; ++s) {
      const double dy = ys[s + 1] - ys[s];
      const double length = std::sqrt(1.0 + dy * dy);
      dir[s] = {1.0 / length, dy / length};
      normal[s] = {-dy / length * half_width, 1.0 / length * half_width};
      bands_[s].set_band({left + s, ys[s]}, {left + s + 1, ys[s + 1]}, normal[s]);
    }
    for (std::size_t v = 1; v < segments; ++v) {
      const Point &da = dir[v - 1], &db = dir[v], &na = normal[v - 1], &nb = normal[v];
      const double turn = da.x * db.y - da.y * db.x;
      joins_[v].clear();
      if (turn == 0.0) continue;
      const double side = turn > 0 ? -1.0 : 1.0;  // the outside of the turn
      const Point p{left + v, ys[v]};
      const Point a{p.x + side * na.x, p.y + side * na.y}, b{p.x + side * nb.x, p.y + side * nb.y};
      const double cos_turn = da.x * db.x + da.y * db.y;
      if (miterLimit * miterLimit * (1.0 + cos_turn) >= 2.0) {
        const double k = side / (1.0 + cos_turn);  // the mitre's tip, along the bisector
        joins_[v].set({p, a, {p.x + k * (na.x + nb.x), p.y + k * (na.y + nb.y)}, b});
      } else {
        joins_[v].set({p, a, b});
      }
    }
  }

  // The covered rows of pixel column left + c, if any.
  bool span(long c, int height, int& top, int& bottom) const {
    const Piece* pieces[maxPieces];
    const int n = pieces_for(c, pieces);
    const double x = left_ + static_cast<double>(c);
    // Down the column's centre line: where a straight edge across the column
    // covers half of it. Then step to the rows whose centres are covered by
    // half, which also settles edges that are not straight.
    double first = 1e300, last = -1e300;
    for (int k = 0; k < n; ++k) {
      double lo, hi;
      if (pieces[k]->section<&Point::x, &Point::y>(x + 0.5, lo, hi))
        first = std::min(first, lo), last = std::max(last, hi);
    }
    if (first > last) return false;
    auto covered = [&](int row) { return coverage(pieces, n, x, row + 0.5) >= 0.5; };
    const int lowest = static_cast<int>(std::floor(last)) + 1;
    top = static_cast<int>(std::ceil(first - 0.5));
    if (covered(top)) {
      while (covered(top - 1)) --top;
    } else {
      while (top <= lowest && !covered(top)) ++top;
      if (top > lowest) return false;
    }
    bottom = std::max(top, static_cast<int>(std::floor(last - 0.5)));
    if (covered(bottom)) {
      while (covered(bottom + 1)) ++bottom;
    } else {
      while (bottom > top && !covered(bottom)) --bottom;
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, height - 1);
    return top <= bottom;
  }

 private:
  // The pieces that can reach column c: the bands of its own segment and of
  // the segments within the half width on either side, and the joins
  // between them.
  int pieces_for(long c, const Piece** out) const {
    int n = 0;
    const long segments = static_cast<long>(bands_.size());
    for (long s = c - reach_; s <= c + reach_; ++s) {
      if (s >= 0 && s < segments) out[n++] = &bands_[s];
    }
    for (long v = c - reach_ + 1; v <= c + reach_; ++v) {
      if (v >= 1 && v < segments && !joins_[v].empty()) out[n++] = &joins_[v];
    }
    return n;
  }

  // How much of the column [x, x + 1] the outline covers at height y.
  static double coverage(const Piece* const* pieces, int n, double x, double y) {
    double lo[maxPieces], hi[maxPieces];
    int m = 0;
    for (int k = 0; k < n; ++k) {
      double a, b;
      if (!pieces[k]->section<&Point::y, &Point::x>(y, a, b)) continue;
      a = std::max(a, x), b = std::min(b, x + 1.0);
      if (a >= b) continue;
      int j = m++;
      for (; j > 0 && lo[j - 1] > a; --j) lo[j] = lo[j - 1], hi[j] = hi[j - 1];
      lo[j] = a, hi[j] = b;
    }
    double total = 0.0, start = 0.0, end = -1.0;
    for (int k = 0; k < m; ++k) {
      if (lo[k] > end) {
        total += std::max(0.0, end - start);
        start = lo[k], end = hi[k];
      } else {
        end = std::max(end, hi[k]);
      }
    }
    return total + std::max(0.0, end - start);
  }

  double left_ = 0;
  long reach_ = 1;  // columns the line reaches beyond its segment on either side
  std::size_t count_ = 0;
  std::vector<Piece> bands_, joins_;
  std::vector<Point> dir_, normal_;
};

TraceRasterizer::TraceRasterizer() : outline_(std::make_unique<Outline>()) {}
TraceRasterizer::~TraceRasterizer() = default;

const std::vector<TraceSpan>& TraceRasterizer::spans(const std::vector<double>& ys, double left,
                                                     int height, double half_width) {
  spans_.clear();
  if (ys.size() < 2) return spans_;  // a single point strokes to nothing
  outline_->build(ys, left, half_width);
  // The butt ends reach up to the half width beyond the first and last points.
  const long reach = static_cast<long>(std::ceil(half_width));
  for (long c = -reach; c < static_cast<long>(ys.size()) - 1 + reach; ++c) {
    int top, bottom;
    if (outline_->span(c, height, top, bottom)) {
      spans_.push_back({static_cast<int>(left) + static_cast<int>(c), top, bottom});
    }
  }
  return spans_;
}

void TraceRasterizer::compose(const std::vector<double>& ys, double left, int scale,
                              const BackdropRows& backdrop, cairo_surface_t* canvas) {
  static const std::vector<TraceSpan> none;
  const int height = cairo_image_surface_get_height(canvas);
  const std::vector<TraceSpan>& covered =
      ys.empty()   ? none
      : scale == 1 ? spans(ys, left, height)
                   : spans(device_points(ys, scale, devicePoints_), left * scale, height, scale);
  write_spans(backdrop, canvas, covered, tops_, bottoms_);
}

}  // namespace sonavel
