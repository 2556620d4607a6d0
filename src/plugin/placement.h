// Bringing a delivered part into place: drag, move, ask for an angle, rotate.
// placeMetafile and placeSatFile themselves are declared in operations.h.
#pragma once

#include <string>

#include "plugin/ads.h"

class InterfaceSettings;

// Lets the user drag the set from the origin; point is (0, 0, 0) when the
// user gives none.
void dragInsertionPoint(InterfaceSettings& settings, const ads_name set, const std::string& prompt,
                        ads_point point);

// Moves the set by the point's x and y: 0, or -1 when the host refuses.
int moveSelection(InterfaceSettings& settings, const ads_name set, const ads_point point);

// Asks for an angle about base (degrees into angle, 0 when none is given). Always 1.
int askRotation(InterfaceSettings& settings, const ads_point base, const std::string& prompt,
                double& angle);

// Turns the set counter-clockwise by degrees about the point's x and y: 0, or
// -1 when the host refuses.
int rotateSelection(InterfaceSettings& settings, const ads_name set, double degrees,
                    const ads_point point);
