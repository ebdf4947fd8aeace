// Pictures of panes for papers and slides: SVG, PDF and PNG files, the clipboard's picture and
// printed pages, all drawn by the plot renderer from the panes' own state.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class QPainter;
class QPrinter;
class TSpectrumContainer;

enum class TPictureFormat { Png, Svg, Pdf };
enum class TPictureUnit { Millimetre, Pixel };
enum class TPicturePanes { Current, All, Chosen };

// What a picture is made of. Text and lines keep their size in points whatever the size of
// the figure, so that a small figure stays readable and a large one does not blow them up.
struct TPictureSettings {
    TPictureFormat format = TPictureFormat::Svg;
    TPictureUnit unit = TPictureUnit::Millimetre;
    double width = 85.0;  // in unit
    double height = 60.0;
    // PNG pixels per inch, stored in the file; a size in pixels means pixels at this density
    // for SVG and PDF too.
    int dpi = 300;
    bool transparent = false;  // PNG only: no background
    double fontPoints = 8.0;   // axis numbers and captions, pane captions
    // Lines of series; bars and frames stay at the thinnest line.
    double lineWidthPoints = 0.75;
    // The size is that of each pane's plot, the axes and captions coming on top; otherwise it
    // is the size of the whole figure.
    bool sizeIsPlotArea = false;
    TPicturePanes panes = TPicturePanes::Current;
    // With Chosen: the panes' places from the top (shown panes only). Not remembered: a later
    // window holds other panes.
    std::vector<int> chosenPanes;
    // A run browser's pane comes with the browser's chromatogram above it.
    bool withChromatogram = false;

    // One line of "key=value" pairs for the settings seam; fromText takes what it knows and
    // keeps the defaults for anything missing or out of range.
    QString toText() const;
    static TPictureSettings fromText(const QString& text);

    friend bool operator==(const TPictureSettings&, const TPictureSettings&) = default;
};

inline constexpr int minPictureDpi = 72;
inline constexpr int maxPictureDpi = 1200;
// A raster picture larger than this is refused before anything is allocated.
inline constexpr int maxPictureSide = 30000;             // pixels
inline constexpr double maxPicturePixels = 500.0e6;      // pixels in all
inline constexpr double maxPictureMillimetres = 5000.0;  // a side of a page

// "png", "svg", "pdf".
QString pictureExtension(TPictureFormat format);
// The format a path's extension names; nothing for another extension.
std::optional<TPictureFormat> pictureFormatOf(const QString& path);

// A picture that cannot be made as asked; the message says why.
class EPictureError : public std::runtime_error {
public:
    explicit EPictureError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The size of a figure: in the layout's unit (the screen's logical pixels, in which fonts are
// measured), on paper, and in PNG pixels.
struct TPictureGeometry {
    QSize logical;
    QSizeF millimetres;
    QSize pixels;
};

// The panes a picture shows, top to bottom: the current one, every pane shown, or those of
// them at the places chosen.
std::vector<TSpectrumContainer*> picturePanes(const std::vector<TSpectrumContainer*>& shown,
                                              TSpectrumContainer* current, TPicturePanes which,
                                              const std::vector<int>& chosen = {});

// The figure's size; throws EPictureError for a size that cannot be made (too large for the
// format, or too small for the axes and captions), before anything is drawn.
TPictureGeometry pictureGeometry(const std::vector<TSpectrumContainer*>& panes,
                                 const TPictureSettings& settings);

// Draws the figure of geometry.logical pixels at the painter's origin: each pane's caption,
// y axis, plot and x axis, the panes stacked. Returns the drawing's failures, each once.
std::vector<std::string> drawPicture(QPainter& painter,
                                     const std::vector<TSpectrumContainer*>& panes,
                                     const TPictureSettings& settings, QSize logical);

// The bytes of the picture file in settings.format; throws EPictureError.
QByteArray pictureBytes(const std::vector<TSpectrumContainer*>& panes,
                        const TPictureSettings& settings);
// Writes the picture to path completely or not at all; throws EPictureError or EFileError.
void writePicture(const QString& path, const std::vector<TSpectrumContainer*>& panes,
                  const TPictureSettings& settings);

// The figure scaled into box pixels (aspect kept) for a preview; a null image when the
// settings give no picture.
QImage picturePreview(const std::vector<TSpectrumContainer*>& panes,
                      const TPictureSettings& settings, QSize box);

// What the picture shows as text: per pane its caption, the m/z window and the labelled
// peaks (m/z, intensity, label), tab-separated, one per line.
QString pictureText(const std::vector<TSpectrumContainer*>& panes);

// Draws the panes on printer's pages at the printer's resolution: all on one page filling
// it, or one pane per page. Fonts and lines keep their sizes in points.
void printPanes(QPrinter& printer, const std::vector<TSpectrumContainer*>& panes,
                const TPictureSettings& settings, bool onePanePerPage);
