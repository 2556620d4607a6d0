// The parametric parts the stand-in catalogue delivers, as METAV2 text and as
// SAT text.
#pragma once

#include <string>

namespace moxi {

// What the connection program is told through "-poke mconset=...".
struct ConnectionData {
  int holeType = 1;              // 1 blind hole, 2 through hole
  double clampingLength = 20.0;  // mm, from the head's seat to the second plate
  double plateThickness = 0.0;   // mm, the second plate (through holes)
};

// Reads "mconset=TYPE,CLAMP,THICKNESS,..." (blanks allowed around the fields);
// false when the text is not such an item or a number is unusable.
bool parseConnectionData(const std::string& poke, ConnectionData& data);

// Socket head cap screw ISO 4762 M10x40: a drawing of two views.
std::string screwMetafile();
// Stepped shaft with fillets and a keyway: one grouped figure.
std::string shaftMetafile();
// Deep-groove ball bearing 6205 in section and end view.
std::string bearingMetafile();
// Hexagon head bolt sized for the clamping length; a nut for a through hole.
// The bolt's seat is at the origin and its axis runs along +x.
std::string boltedJointMetafile(const ConnectionData& data);

// A solid as ACIS SAT text: a box the size of the part ("screw", "shaft",
// "bearing", others the screw's size), written
// for the version ("1.6", "7.0", ...; others give 7.0).
std::string partSat(const std::string& part, const std::string& version);

}  // namespace moxi
