// The per-style layers, linetypes and colours of the user's settings, the
// linetype and colour definition files, and the layers and linetypes a 2D
// import needs in the drawing.
#pragma once

#include <string>

#include "plugin/interface_settings.h"

// "BYBLOCK" or "BYLAYER" when the text (upper-cased) is that keyword or one of
// its aliases in the settings' BYNAME block; otherwise the text unchanged.
std::string normalizeByKeyword(InterfaceSettings& settings, const std::string& text);

// Host colour number of a colour text: 0 BYBLOCK, 256 BYLAYER, the number of a
// colour definition whose names hold the word, else the text's decimal value
// (0 for a word that is no colour). An empty text gives 0 (BYBLOCK).
int colourFromText(InterfaceSettings& settings, const std::string& text);

// Creates the layer (names upper-cased) with the linetype (loaded when needed;
// BYLAYER and BYBLOCK set none) and a colour of 1 to 255: 1, or -1 when the
// layer could not be made or the linetype not loaded (reported on the command line).
int createLayer(InterfaceSettings& settings, const std::string& name, const std::string& linetype,
                int colour);

// Loads the linetype from the AcadLin file unless the drawing has it: whether
// it exists afterwards.
bool loadLinetype(InterfaceSettings& settings, const std::string& name);
