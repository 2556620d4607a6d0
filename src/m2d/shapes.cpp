// Texts under the figure transformations.
#include "m2d/shapes.h"

#include <cmath>

#include "m2d/attributes.h"
#include "numeric/math.h"

// A text follows its figure: left where the file put it, it would stand
// apart from the rest of a turned, moved or inch-scaled figure.
int m2dTextC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  metaTreeC* anchor = child("POINT");
  m2dSetPointOf(anchor, m.apply(m2dPointOf(anchor)));
  const double turn = numeric::atan2(m.m[1], m.m[0]) * 180.0 / kPi;
  if (turn != 0.0) setAngle(angle() + turn);
  return 1;
}

int m2dTextC::scale(double f) const {
  for (const char* key : {"POINT", "HEIGHT", "TEXTBW", "TEXTBH"}) {
    metaObjectC(findChild(key)).scaleNumbers(f);
  }
  return 1;
}
