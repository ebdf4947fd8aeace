// The export dialog: what a picture of the panes shows and how large it is, with a live
// preview.
#pragma once

#include <QDialog>

#include "app/Dialogs.h"
#include "app/PictureExport.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QSpinBox;

class TExportDialog : public QDialog {
    Q_OBJECT

public:
    // The chromatogram's box can be ticked only when chromatogramOffered (the current pane is
    // a run browser's); otherwise it shows the remembered choice, greyed. paneNames are the
    // captions of the panes shown, top to bottom, to choose from.
    TExportDialog(const TPictureSettings& initial, TPicturePreview preview,
                  bool chromatogramOffered, const QStringList& paneNames = {},
                  QWidget* parent = nullptr);

    TPictureSettings settings() const;

private:
    void applyPreset(int index);
    // Enables what the format uses and draws the preview again.
    void refresh();

    TPicturePreview m_preview;
    QComboBox* m_panes;
    QListWidget* m_chosen;  // the panes to choose from, checkable
    QCheckBox* m_chromatogram;
    QComboBox* m_format;
    QComboBox* m_preset;
    QDoubleSpinBox* m_width;
    QDoubleSpinBox* m_height;
    QComboBox* m_unit;
    QComboBox* m_sizeOf;
    QSpinBox* m_dpi;
    QCheckBox* m_transparent;
    QDoubleSpinBox* m_font;
    QDoubleSpinBox* m_line;
    QLabel* m_pixels;
    QLabel* m_picture;
};
