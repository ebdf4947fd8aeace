// Pictures of panes as their widgets place them: plots and axes drawn by the plot renderer,
// without the navigator's tool bar.
#pragma once

#include <string>
#include <vector>

class QPainter;
class TSpectraManager;
class TSpectrumContainer;

// Draws the pane with its top-left corner at the painter's origin, clipped to the pane: the
// plot, its axes and its caption label where the widgets stand, in their stacking order, over
// what the painter holds (a pane has no background of its own). The plot's labels get a
// layout of their own; those on screen keep theirs. Returns the texts of the failures, each
// once.
std::vector<std::string> renderPane(QPainter& painter, const TSpectrumContainer& pane);

// The manager's panes as they stand below its navigator, which is left out: row 0 of the
// picture is the row under the navigator, and the picture is as wide as the manager and as
// high as the room under the navigator. The manager's background, then every pane in order.
// Returns the texts of the failures, each once.
std::vector<std::string> renderPanes(QPainter& painter, const TSpectraManager& manager);
