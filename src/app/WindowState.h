// The main window as it was left: geometry, docks and the run browser's columns, kept through
// the settings seam.
#pragma once

class QHeaderView;
class QMainWindow;
class iSettings;

// Stores the window's geometry (position, size, maximised) and the layout of its docks.
void saveWindowLayout(const QMainWindow& window, iSettings& settings);
// Gives the window the geometry stored; at the first start (or when the stored value is
// unusable) 80 % of its screen's available area, centred. Returns whether a stored geometry
// was applied. Call it before the window is shown.
bool restoreWindowGeometry(QMainWindow& window, const iSettings& settings);
// Places the docks that exist now as they were stored; call it once they are made.
bool restoreDockLayout(QMainWindow& window, const iSettings& settings);

// The columns of a run browser's table (order, widths, hidden ones) and its sort order: the
// stored arrangement is applied now, and every later change is stored, so that the next
// browser, in this run or the next, opens as the last was left. The header's owner outlives
// nothing here: the connections end with the header.
void keepBrowserColumns(QHeaderView& header, iSettings& settings);
