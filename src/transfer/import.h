// The import driver: a 2D exchange metafile becomes host entities, figures
// and drawings of several figures become inserted blocks.
#pragma once

#include <string>

#include "plugin/ads.h"

class InterfaceSettings;
class m2dDrawingC;
class m2dFigureC;

// -1 when the file cannot be opened for reading, 0 when its first line begins
// with "000" (no part), else 1.
int probeMetafile(const std::string& fileName);

// Reads the file and imports its DRAWING or FIGURE (a root FIGURE always as a
// block); what is made at top level goes into set. 1, or -1 after a message
// ("Fehler in der Metadatei!" for an unreadable file or another root).
int importMetafile(InterfaceSettings& settings, const std::string& fileName, const ads_name set,
                   int forceBlock, double baseX, double baseY, double rotationDegrees);

// The two import paths: 1 or -1 (a drawing gives its last figure's result).
int importDrawing(InterfaceSettings& settings, const m2dDrawingC& drawing, const ads_name set,
                  int forceBlock, double baseX, double baseY, double rotationDegrees);
int importFigure(InterfaceSettings& settings, const m2dFigureC& figure, const ads_name set,
                 int forceBlock, double baseX, double baseY, double rotationDegrees);

// Moves the content set into a new block named after nameText (made unique),
// inserts it at (x, y) turned by rotationRadians and adds the INSERT to
// callerSet. 1, or -1 after "Fehler beim Erzeugen des Blocks %s".
int wrapSelectionInBlock(InterfaceSettings& settings, const std::string& nameText,
                         const ads_name content, double x, double y, double rotationRadians,
                         const ads_name callerSet);

// The first 27 characters with every one that is no ASCII letter or digit
// replaced by "_"; empty for an empty text.
std::string blockNameFromText(const std::string& text);

// Line-style index (0..4) of a shape's SHAPETYP and SHAPEWIDTH.
int styleIndexForShape(int shapeType, int shapeWidth);
