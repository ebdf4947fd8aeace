// The current series of a pane as the text that Copy puts on the clipboard and Export writes.
#pragma once

#include <string>

class TSpectrumData;

enum class TSerieText {
    Points,         // every point, as point text
    VisiblePoints,  // the points inside the visible x window, as point text
    Masses          // every point's mass, "%15.4f" a line
};

// Empty without a current series.
std::string currentSerieText(TSpectrumData& data, TSerieText what);
