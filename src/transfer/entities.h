// Builders for the simple shapes of a figure: each turns one shape into one
// host entity (LINE, ARC, CIRCLE, ELLIPSE, MTEXT) through ads_entmake.
#pragma once

#include <string>

#include "plugin/ads.h"

class InterfaceSettings;
class m2dLineC;
class m2dArcC;
class m2dCircleC;
class m2dEllipseC;
class m2dEllipseArcC;
class m2dTextC;

// Layer, linetype and colour of an entity.
struct EntityStyle {
  std::string layer;
  std::string linetype;
  int colour = 7;
};

// The style of a line-style index (0..4); a cosmetic shape goes to the
// cosmetic layer when one is set. Outside 0..4 the accessors' fallbacks.
EntityStyle entityStyle(InterfaceSettings& settings, int styleIndex, bool cosmetic);

// Hands the list to ads_entmake and releases it. On RTNORM the new entity's
// name goes to entity and the result is 1; otherwise message is printed,
// entity is left alone and the result is -1 (also for a null list).
int makeEntityFromList(InterfaceSettings& settings, resbuf* list, const char* message,
                       ads_name entity);

// The builders: 1 with the new entity's name in entity, or -1 after their
// message ("Linie konnte nicht erzeugt werden!" and so on) with entity untouched.
int makeLine(InterfaceSettings& settings, const m2dLineC& line, int styleIndex, bool cosmetic,
             ads_name entity);
// As makeLine above with the style already looked up: a figure's lines share
// their style until its next SHAPEATTR.
int makeLine(InterfaceSettings& settings, const EntityStyle& style, const m2dLineC& line,
             ads_name entity);
int makeArc(InterfaceSettings& settings, const m2dArcC& arc, int styleIndex, bool cosmetic,
            ads_name entity);
int makeCircle(InterfaceSettings& settings, const m2dCircleC& circle, int styleIndex, bool cosmetic,
               ads_name entity);
int makeEllipse(InterfaceSettings& settings, const m2dEllipseC& ellipse, int styleIndex,
                bool cosmetic, ads_name entity);
int makeEllipseArc(InterfaceSettings& settings, const m2dEllipseArcC& arc, int styleIndex,
                   bool cosmetic, ads_name entity);
int makeText(InterfaceSettings& settings, const m2dTextC& text, int styleIndex, bool cosmetic,
             ads_name entity);

// Degrees to radians with the full pi.
double degreesToRadians(double degrees);

// The MTEXT anchor, attachment and text of a text shape: a text with line
// feeds moves its anchor to the column TEXTALIGN names, along the text's own
// direction (angle in degrees), and gets "\P" breaks.
struct MTextPlacement {
  double x = 0.0;
  double y = 0.0;
  int attachment = 0;
  std::string text;
};
MTextPlacement mtextPlacement(const std::string& text, double x, double y, int relPos, int align,
                              double boxWidth, double angle);
