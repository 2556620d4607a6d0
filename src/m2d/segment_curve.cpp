// Approximation of a point chain by lines, arcs and full circles.
//
// The working list loses points as lines merge and arcs grow. It is kept as a
// doubly linked list over indexes into the copied points, so every removal is
// constant time and a curve of any length is segmented in linear time.
#include <cstddef>
#include <vector>

#include "m2d/geometry.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

class WorkingList {
 public:
  explicit WorkingList(const std::vector<mVec2d>& pts)
      : pts_(pts), next_(pts.size()), prev_(pts.size()), size_(pts.size()) {
    for (std::size_t i = 0; i < pts.size(); ++i) {
      next_[i] = i + 1 < pts.size() ? i + 1 : kNone;
      prev_[i] = i == 0 ? kNone : i - 1;
    }
    head_ = pts.empty() ? kNone : 0;
    tail_ = pts.empty() ? kNone : pts.size() - 1;
  }

  std::size_t size() const { return size_; }
  std::size_t head() const { return head_; }
  std::size_t tail() const { return tail_; }
  std::size_t next(std::size_t at) const { return next_[at]; }
  std::size_t prev(std::size_t at) const { return prev_[at]; }
  mVec2d at(std::size_t at) const { return pts_[at]; }

  // Unlinks one entry.
  void remove(std::size_t at) {
    const std::size_t p = prev_[at];
    const std::size_t n = next_[at];
    if (p != kNone)
      next_[p] = n;
    else
      head_ = n;
    if (n != kNone)
      prev_[n] = p;
    else
      tail_ = p;
    --size_;
  }

  // The remaining points in order.
  std::vector<mVec2d> collect() const {
    std::vector<mVec2d> out;
    out.reserve(size_);
    for (std::size_t i = head_; i != kNone; i = next_[i]) out.push_back(pts_[i]);
    return out;
  }

 private:
  const std::vector<mVec2d>& pts_;
  std::vector<std::size_t> next_;
  std::vector<std::size_t> prev_;
  std::size_t head_ = kNone;
  std::size_t tail_ = kNone;
  std::size_t size_ = 0;
};

metaTreeC* pointKey(mVec2d p) {
  metaTreeC* key = metaTreeC::makeIdent("POINT");
  metaTreeC* x = metaTreeC::makeNumber(p.x);
  metaTreeC* y = metaTreeC::makeNumber(p.y);
  x->next = y;
  y->prev = x;
  key->appendChild(x);
  return key;
}

metaTreeC* section(const char* key, std::initializer_list<mVec2d> pts) {
  metaTreeC* s = metaTreeC::makeIdent(key);
  metaTreeC* last = nullptr;
  for (mVec2d p : pts) {
    metaTreeC* k = pointKey(p);
    if (last) {
      last->insertAfter(k);
    } else {
      s->appendChild(k);
    }
    last = k;
  }
  return s;
}

}  // namespace

int segmentPoints(const std::vector<mVec2d>& points, double t, metaTreeC* target) {
  if (!target || points.size() < 2) return 0;

  // Segment kinds, one per index of the working list up to the cursor:
  // 0 line, 1 arc (two entries), 2 full circle (two entries).
  std::vector<unsigned char> kinds;
  kinds.reserve(points.size());
  WorkingList list(points);
  std::size_t i = 0;              // index of the cursor in the working list
  std::size_t cur = list.head();  // the cursor's entry
  for (;;) {
    if (i + 4 > list.size()) {
      for (std::size_t k = i; k < list.size(); ++k) kinds.push_back(0);
      break;
    }
    const std::size_t p1 = list.next(cur);
    const std::size_t p2 = list.next(p1);
    const std::size_t p3 = list.next(p2);
    const mVec2d a = list.at(cur);
    const mVec2d b = list.at(p1);
    if (pointsOnCircle(a, b, list.at(p2), list.at(p3), t)) {
      // Arc: the fourth point becomes the end, and the arc grows while the
      // points after it stay on its circle.
      list.remove(p2);
      std::size_t end = p3;
      bool closed = false;
      for (std::size_t j = list.next(end); j != kNone; j = list.next(end)) {
        if (pointsNear(a, list.at(j), 1e-8)) {
          closed = true;
          break;
        }
        if (!pointsOnCircle(a, b, list.at(end), list.at(j), t)) break;
        list.remove(end);
        end = j;
      }
      if (closed) {
        list.remove(list.tail());
        kinds.push_back(2);
        kinds.push_back(2);
        break;
      }
      kinds.push_back(1);
      kinds.push_back(1);
      i += 2;
      cur = end;
      continue;
    }
    // Line: it merges with a line before it when the directions agree.
    if (!kinds.empty() && kinds.back() == 0) {
      const mVec2d d1 = unit(b - a);
      const mVec2d d0 = unit(a - list.at(list.prev(cur)));
      if (dot(d1, d0) > 1.0 - t / 100.0) {
        list.remove(cur);
        cur = p1;
        continue;
      }
    }
    kinds.push_back(0);
    ++i;
    cur = p1;
  }

  const std::vector<mVec2d> p = list.collect();
  int made = 0;
  metaTreeC* previous = nullptr;
  for (std::size_t k = 0; k + 1 < kinds.size();) {
    metaTreeC* s = nullptr;
    if (kinds[k] == 0) {
      s = section("LINE", {p[k], p[k + 1]});
      k += 1;
    } else if (kinds[k] == 1) {
      s = section("ARC", {p[k], p[k + 1], p[k + 2]});
      k += 2;
    } else {
      const mVec2d c = circumcentre(p[k], p[k + 1], p[k + 2]);
      s = section("CIRCLE", {c});
      metaTreeC* rad = metaTreeC::makeIdent("RAD");
      rad->appendChild(metaTreeC::makeNumber(norm(c - p[k])));
      s->appendChild(rad);
      k += 2;
    }
    if (previous) {
      previous->insertAfter(s);
    } else {
      target->appendChild(s);
    }
    previous = s;
    ++made;
  }
  return made;
}
