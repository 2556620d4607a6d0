// Segmenting and transforming long interpolated curves: the time per point
// must stay flat from a thousand to a million points.
//
// Run: build/.../bench/bench_m2d
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "m2d/document.h"
#include "m2d/geometry.h"
#include "m2d/shapes.h"
#include "meta/tree.h"

namespace {

// A curve of n points in blocks of twenty: ten on a straight run, then ten on
// a quarter circle, so that lines merge and arcs grow all along it.
std::vector<mVec2d> curvePoints(std::size_t n) {
  std::vector<mVec2d> pts;
  pts.reserve(n);
  mVec2d at{0, 0};
  double heading = 0;
  while (pts.size() < n) {
    for (int i = 0; i < 10 && pts.size() < n; ++i) {
      pts.push_back(at);
      at = at + rotate({1, 0}, heading);
    }
    const mVec2d centre = at + rotate({0, 5}, heading);
    for (int i = 0; i < 10 && pts.size() < n; ++i) {
      pts.push_back(at);
      const double a = heading - 90 + 9.0 * (i + 1);
      at = centre + rotate({5, 0}, a);
    }
    heading += 90;
  }
  return pts;
}

// FIGURE { FIGURITEMS { ICRV2D { POINT { x y } ... } } }, built without
// walking the growing child list.
metaTreeC* curveFigure(const std::vector<mVec2d>& pts) {
  metaTreeC* figure = metaTreeC::makeIdent("FIGURE");
  metaTreeC* items = metaTreeC::makeIdent("FIGURITEMS");
  metaTreeC* curve = metaTreeC::makeIdent("ICRV2D");
  figure->appendChild(items);
  items->appendChild(curve);
  metaTreeC* last = nullptr;
  for (mVec2d p : pts) {
    metaTreeC* key = metaTreeC::makeIdent("POINT");
    metaTreeC* x = metaTreeC::makeNumber(p.x);
    metaTreeC* y = metaTreeC::makeNumber(p.y);
    x->next = y;
    y->prev = x;
    key->appendChild(x);
    if (last) {
      last->insertAfter(key);
    } else {
      curve->appendChild(key);
    }
    last = key;
  }
  return figure;
}

// Seconds per point (shown with an SI prefix, e.g. "45n").
void perPoint(benchmark::State& state) {
  state.counters["time/point"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// segmentCurve of a curve in the tree, sections made into a fresh target.
void BM_SegmentCurve(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  metaTreeC* figure = curveFigure(curvePoints(n));
  m2dIntCrvC curve(figure->firstChild->firstChild);
  int made = 0;
  for (auto _ : state) {
    metaTreeC* target = metaTreeC::makeIdent("tmp");
    made = curve.segmentCurve(0.001, target);
    benchmark::DoNotOptimize(made);
    metaTreeC::destroy(target);
  }
  state.counters["segments"] = made;
  perPoint(state);
  metaTreeC::destroy(figure);
}

// The three figure transformations of a loose figure in inch mode.
void BM_TransformCurve(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  metaTreeC* figure = curveFigure(curvePoints(n));
  m2dFigureC fig(figure);
  for (auto _ : state) {
    fig.scaleItems(1.0001);
    fig.rotateItems(30);
    fig.moveItems({10, 5});
  }
  perPoint(state);
  metaTreeC::destroy(figure);
}

}  // namespace

BENCHMARK(BM_SegmentCurve)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformCurve)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
