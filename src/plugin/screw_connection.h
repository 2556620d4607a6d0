// The screw-connection command: the user picks the bore's centre line and the
// plate edges of a section drawing; the connection program sizes a bolted
// joint for them, which is placed at the bore, pointing into the plates.
// runScrewConnection itself is declared in operations.h.
#pragma once

class InterfaceSettings;

// Asks for the hole type and the lines, and works out the start point (x, y),
// the screw's direction (degrees), the clamping length and the second plate's
// thickness (0 for a blind hole): 0, or -1 when the user cancelled or the
// picked lines give no connection ("Ungültige Angaben" printed then).
int askConnectionGeometry(InterfaceSettings& settings, double& x, double& y, double& angle,
                          double& clampingLength, double& plateThickness);
