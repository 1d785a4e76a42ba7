#include "platform/render/stretch.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace yomite::render {
namespace {

// The three channels of a pixel are spread into 21-bit lanes of a 64-bit
// word (blue at bit 0, green at 21, red at 42), so one multiply-add mixes all
// three. Weights are fixed-point with 13 fraction bits and add up to exactly
// 2^13, so a lane never exceeds 255 * 2^13 < 2^21 and never spills into the
// next. Between the two passes each lane is rounded back to 8 bits.
constexpr int kWeightBits = 13;
constexpr int32_t kOne = 1 << kWeightBits;
constexpr uint64_t kLaneMask = 0xFFu | uint64_t{0xFF} << 21 | uint64_t{0xFF} << 42;
constexpr uint64_t kLaneHalf = (uint64_t{1} | uint64_t{1} << 21 | uint64_t{1} << 42)
                               << (kWeightBits - 1);

uint64_t Spread(uint32_t p) {
  return (p & 0xFF) | uint64_t{p & 0xFF00} << 13 | uint64_t{p & 0xFF0000} << 26;
}

// Back from lanes of value * 2^13 to 8-bit lanes, rounding.
uint64_t Normalise(uint64_t lanes) { return ((lanes + kLaneHalf) >> kWeightBits) & kLaneMask; }

uint32_t Pack(uint64_t lanes) {
  return static_cast<uint32_t>((lanes & 0xFF) | (lanes >> 13 & 0xFF00) | (lanes >> 26 & 0xFF0000));
}

struct Taps {
  int first;   // first source pixel
  int count;   // number of source pixels
  int offset;  // of the first weight in Axis::weights
};

// How each destination pixel of one direction mixes the source pixels.
// The weights of every destination pixel add up to exactly kOne, so a
// uniform colour stays exactly that colour.
struct Axis {
  std::vector<Taps> taps;
  std::vector<int32_t> weights;

  void Add(int first, std::initializer_list<int32_t> ws) {
    taps.push_back({first, static_cast<int>(ws.size()), static_cast<int>(weights.size())});
    weights.insert(weights.end(), ws);
  }
};

// Box filter: destination pixel i covers the source span [i*s, (i+1)*s),
// s = src/dst. Measured in units of 1/dst of a source pixel, that span is
// [i*src, (i+1)*src) and source pixel j is [j*dst, (j+1)*dst): every overlap
// is a whole number, so the coverage is exact. Rounding the running total
// rather than each weight keeps the sum exact.
Axis ShrinkAxis(int src, int dst) {
  Axis axis;
  axis.taps.reserve(dst);
  for (int i = 0; i < dst; ++i) {
    const int64_t begin = int64_t{i} * src, end = begin + src;
    int first = static_cast<int>(begin / dst);
    Taps taps{first, 0, static_cast<int>(axis.weights.size())};
    int64_t covered = 0;
    int32_t given = 0;
    for (int j = first; j < src && int64_t{j} * dst < end; ++j) {
      const int64_t lo = std::max(begin, int64_t{j} * dst);
      const int64_t hi = std::min(end, int64_t{j + 1} * dst);
      covered += hi - lo;
      const auto total = static_cast<int32_t>((covered * kOne * 2 + src) / (int64_t{src} * 2));
      axis.weights.push_back(total - given);
      given = total;
      ++taps.count;
    }
    axis.taps.push_back(taps);
  }
  return axis;
}

// Bilinear: destination pixel centres map onto source pixel centres, and
// beyond the outermost centres the edge pixel is repeated.
Axis EnlargeAxis(int src, int dst) {
  Axis axis;
  axis.taps.reserve(dst);
  const int64_t den = int64_t{2} * dst;
  for (int i = 0; i < dst; ++i) {
    // The source position of the centre is ((2i+1) * src - dst) / (2 dst).
    const int64_t num = (int64_t{2} * i + 1) * src - dst;
    const int64_t whole = num < 0 ? -1 : num / den;
    if (whole < 0) {
      axis.Add(0, {kOne});
    } else if (whole >= src - 1) {
      axis.Add(src - 1, {kOne});
    } else {
      const auto right = static_cast<int32_t>(((num % den) * kOne * 2 + den) / (den * 2));
      if (right == 0) {
        axis.Add(static_cast<int>(whole), {kOne});
      } else {
        axis.Add(static_cast<int>(whole), {kOne - right, right});
      }
    }
  }
  return axis;
}

Axis MakeAxis(int src, int dst) {
  if (dst < src) return ShrinkAxis(src, dst);
  if (dst > src) return EnlargeAxis(src, dst);
  Axis axis;
  for (int i = 0; i < dst; ++i) axis.Add(i, {kOne});
  return axis;
}

// The same with every destination pixel mixing the same number n of
// source pixels (the most any of them needs, the rest padded with zero
// weights), so the inner loops have a fixed length.
struct Filter {
  int n = 0;
  std::vector<int> first;
  std::vector<int32_t> weights;  // n per destination pixel

  const int32_t* WeightsOf(int i) const { return weights.data() + static_cast<size_t>(i) * n; }
};

Filter MakeFilter(int src, int dst) {
  const Axis axis = MakeAxis(src, dst);
  Filter filter;
  for (const Taps& t : axis.taps) filter.n = std::max(filter.n, t.count);
  filter.weights.assign(static_cast<size_t>(dst) * filter.n, 0);
  for (int i = 0; i < dst; ++i) {
    const Taps& t = axis.taps[i];
    const int first = std::min(t.first, src - filter.n);
    filter.first.push_back(first);
    for (int k = 0; k < t.count; ++k) {
      filter.weights[static_cast<size_t>(i) * filter.n + (t.first - first) + k] =
          axis.weights[t.offset + k];
    }
  }
  return filter;
}

// Vertical pass: mixes the source rows of destination row y into lanes.
void MixRows(const PixelsView& src, const Filter& down, int y, uint64_t* __restrict row) {
  const size_t w = static_cast<size_t>(src.width), stride = static_cast<size_t>(src.stride);
  const uint32_t* __restrict top = src.pixels + static_cast<size_t>(down.first[y]) * stride;
  const int32_t* weight = down.WeightsOf(y);
  if (down.n == 1) {
    for (size_t x = 0; x < w; ++x) row[x] = Spread(top[x]);
    return;
  }
  if (down.n == 2) {
    const uint64_t w0 = weight[0], w1 = weight[1];
    const uint32_t* __restrict next = top + stride;
    for (size_t x = 0; x < w; ++x) row[x] = Normalise(w0 * Spread(top[x]) + w1 * Spread(next[x]));
    return;
  }
  for (size_t x = 0; x < w; ++x) row[x] = weight[0] * Spread(top[x]);
  for (int k = 1; k < down.n - 1; ++k) {
    if (weight[k] == 0) continue;
    const uint64_t wk = weight[k];
    const uint32_t* __restrict p = top + k * stride;
    for (size_t x = 0; x < w; ++x) row[x] += wk * Spread(p[x]);
  }
  const uint64_t last = weight[down.n - 1];
  const uint32_t* __restrict p = top + (down.n - 1) * stride;
  for (size_t x = 0; x < w; ++x) row[x] = Normalise(row[x] + last * Spread(p[x]));
}

// Horizontal pass: mixes the lanes of a row into destination pixels. N is
// the filter's n when it is small enough to unroll, else 0.
template <int N>
void MixColumns(const uint64_t* __restrict row, const Filter& across, uint32_t* __restrict out,
                int width) {
  const int n = N > 0 ? N : across.n;
  const int* first = across.first.data();
  const int32_t* weight = across.weights.data();
  for (int x = 0; x < width; ++x, weight += n) {
    const uint64_t* p = row + first[x];
    uint64_t sum = 0;
    for (int k = 0; k < n; ++k) sum += static_cast<uint64_t>(weight[k]) * p[k];
    out[x] = Pack(Normalise(sum));
  }
}

void CheckView(int width, int height, int stride) {
  if (width < 0 || height < 0 || stride < width) {
    throw std::invalid_argument("pixel view with a negative size or a stride below its width");
  }
}

}  // namespace

void StretchPixels(PixelsView src, MutablePixelsView dst) {
  CheckView(src.width, src.height, src.stride);
  CheckView(dst.width, dst.height, dst.stride);
  if (src.width == 0 || src.height == 0 || dst.width == 0 || dst.height == 0) return;

  const Filter across = MakeFilter(src.width, dst.width);
  const Filter down = MakeFilter(src.height, dst.height);
  auto mix_columns = across.n == 1   ? MixColumns<1>
                     : across.n == 2 ? MixColumns<2>
                     : across.n == 3 ? MixColumns<3>
                     : across.n == 4 ? MixColumns<4>
                                     : MixColumns<0>;
  std::vector<uint64_t> row(static_cast<size_t>(src.width));  // one source row, mixed down
  for (int y = 0; y < dst.height; ++y) {
    MixRows(src, down, y, row.data());
    mix_columns(row.data(), across, dst.pixels + static_cast<size_t>(y) * dst.stride, dst.width);
  }
}

platform::Picture StretchPicture(const platform::Picture& src, int width, int height) {
  if (src.width < 0 || src.height < 0 ||
      src.pixels.size() < static_cast<size_t>(src.width) * static_cast<size_t>(src.height)) {
    throw std::invalid_argument("picture with fewer pixels than its size");
  }
  platform::Picture out;
  if (width <= 0 || height <= 0) return out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  StretchPixels({src.pixels.data(), src.width, src.height, src.width},
                {out.pixels.data(), width, height, width});
  return out;
}

}  // namespace yomite::render
