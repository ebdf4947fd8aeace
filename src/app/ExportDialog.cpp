// The export dialog's controls; every change draws the preview again.
#include "app/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

struct TPreset {
    const char* name;
    double width;
    double height;
    TPictureUnit unit;
};

// Index 0 is "Custom": the size as typed.
const TPreset presets[] = {
    {"Custom", 0, 0, TPictureUnit::Millimetre},
    {"One journal column (85 mm)", 85, 60, TPictureUnit::Millimetre},
    {"Two journal columns (175 mm)", 175, 100, TPictureUnit::Millimetre},
    {"Slide (1920 × 1080 px)", 1920, 1080, TPictureUnit::Pixel},
};

const QSize previewBox(360, 260);

}  // namespace

TExportDialog::TExportDialog(const TPictureSettings& initial, TPicturePreview preview,
                             bool chromatogramOffered, const QStringList& paneNames,
                             QWidget* parent)
    : QDialog(parent), m_preview(std::move(preview)) {
    setWindowTitle(QStringLiteral("Export picture"));
    m_panes = new QComboBox(this);
    m_panes->addItems({QStringLiteral("The current pane"), QStringLiteral("All panes"),
                       QStringLiteral("The panes ticked below")});
    // Every pane ticked to start with: unticking the few not wanted is the quicker way.
    m_chosen = new QListWidget(this);
    for (int i = 0; i < paneNames.size(); ++i) {
        // Numbered from the top as the panes stand; the full caption in the tooltip.
        auto* item = new QListWidgetItem(QStringLiteral("%1  %2").arg(i + 1).arg(paneNames[i]),
                                         m_chosen);
        item->setToolTip(paneNames[i]);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    m_chosen->setTextElideMode(Qt::ElideRight);
    m_chosen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int rows = std::clamp(static_cast<int>(paneNames.size()), 1, 4);
    const int rowHeight = std::max(m_chosen->sizeHintForRow(0), m_chosen->fontMetrics().height());
    m_chosen->setFixedHeight(rows * rowHeight + 2 * m_chosen->frameWidth());
    m_chromatogram = new QCheckBox(QStringLiteral("With the chromatogram"), this);
    m_chromatogram->setToolTip(
        QStringLiteral("The run browser's chromatogram above the spectrum it shows"));
    m_chromatogram->setEnabled(chromatogramOffered);
    m_format = new QComboBox(this);
    m_format->addItems({QStringLiteral("SVG (vector, editable text)"),
                        QStringLiteral("PDF (vector)"), QStringLiteral("PNG (image)")});
    m_preset = new QComboBox(this);
    for (const TPreset& p : presets) m_preset->addItem(QString::fromUtf8(p.name));
    m_width = new QDoubleSpinBox(this);
    m_height = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* box : {m_width, m_height}) {
        box->setRange(1, 100000);
        box->setDecimals(1);
    }
    m_unit = new QComboBox(this);
    m_unit->addItems({QStringLiteral("mm"), QStringLiteral("px")});
    m_sizeOf = new QComboBox(this);
    m_sizeOf->addItems({QStringLiteral("the whole figure"), QStringLiteral("each plot area")});
    m_dpi = new QSpinBox(this);
    m_dpi->setRange(minPictureDpi, maxPictureDpi);
    m_dpi->setSuffix(QStringLiteral(" dpi"));
    m_transparent = new QCheckBox(QStringLiteral("Transparent background"), this);
    m_font = new QDoubleSpinBox(this);
    m_font->setRange(2, 72);
    m_font->setDecimals(1);
    m_font->setSuffix(QStringLiteral(" pt"));
    m_line = new QDoubleSpinBox(this);
    m_line->setRange(0.1, 10);
    m_line->setDecimals(2);
    m_line->setSingleStep(0.25);
    m_line->setSuffix(QStringLiteral(" pt"));
    m_pixels = new QLabel(this);
    m_picture = new QLabel(this);
    m_picture->setFixedSize(previewBox);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameShape(QFrame::StyledPanel);

    auto* size = new QHBoxLayout;
    size->addWidget(m_width);
    size->addWidget(new QLabel(QStringLiteral("×"), this));
    size->addWidget(m_height);
    size->addWidget(m_unit);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Panes:"), m_panes);
    form->addRow(QString(), m_chosen);
    form->addRow(QString(), m_chromatogram);
    form->addRow(QStringLiteral("Format:"), m_format);
    form->addRow(QStringLiteral("Preset:"), m_preset);
    form->addRow(QStringLiteral("Size:"), size);
    form->addRow(QStringLiteral("Size is:"), m_sizeOf);
    form->addRow(QStringLiteral("Resolution:"), m_dpi);
    form->addRow(QString(), m_pixels);
    form->addRow(QString(), m_transparent);
    form->addRow(QStringLiteral("Text size:"), m_font);
    form->addRow(QStringLiteral("Line width:"), m_line);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* columns = new QHBoxLayout;
    columns->addLayout(form);
    columns->addWidget(m_picture);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);

    m_panes->setCurrentIndex(initial.panes == TPicturePanes::All      ? 1
                             : initial.panes == TPicturePanes::Chosen ? 2
                                                                      : 0);
    m_format->setCurrentIndex(initial.format == TPictureFormat::Svg   ? 0
                              : initial.format == TPictureFormat::Pdf ? 1
                                                                      : 2);
    m_unit->setCurrentIndex(initial.unit == TPictureUnit::Pixel ? 1 : 0);
    m_width->setValue(initial.width);
    m_height->setValue(initial.height);
    m_sizeOf->setCurrentIndex(initial.sizeIsPlotArea ? 1 : 0);
    m_dpi->setValue(initial.dpi);
    m_transparent->setChecked(initial.transparent);
    m_chromatogram->setChecked(initial.withChromatogram);
    m_font->setValue(initial.fontPoints);
    m_line->setValue(initial.lineWidthPoints);

    connect(m_preset, &QComboBox::currentIndexChanged, this, &TExportDialog::applyPreset);
    for (QComboBox* box : {m_panes, m_format, m_unit, m_sizeOf})
        connect(box, &QComboBox::currentIndexChanged, this, &TExportDialog::refresh);
    for (QDoubleSpinBox* box : {m_width, m_height, m_font, m_line})
        connect(box, &QDoubleSpinBox::valueChanged, this, &TExportDialog::refresh);
    // A typed size is no preset any longer.
    for (QDoubleSpinBox* box : {m_width, m_height})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            const TPreset& p = presets[m_preset->currentIndex()];
            if (m_width->value() != p.width || m_height->value() != p.height) {
                const QSignalBlocker block(m_preset);
                m_preset->setCurrentIndex(0);
            }
        });
    connect(m_dpi, &QSpinBox::valueChanged, this, &TExportDialog::refresh);
    for (QCheckBox* box : {m_transparent, m_chromatogram})
        connect(box, &QCheckBox::toggled, this, &TExportDialog::refresh);
    connect(m_chosen, &QListWidget::itemChanged, this, &TExportDialog::refresh);
    refresh();
}

TPictureSettings TExportDialog::settings() const {
    TPictureSettings s;
    const int panes = m_panes->currentIndex();
    s.panes = panes == 1 ? TPicturePanes::All
              : panes == 2 ? TPicturePanes::Chosen
                           : TPicturePanes::Current;
    for (int i = 0; i < m_chosen->count(); ++i)
        if (m_chosen->item(i)->checkState() == Qt::Checked) s.chosenPanes.push_back(i);
    s.withChromatogram = m_chromatogram->isChecked();
    const int format = m_format->currentIndex();
    s.format = format == 0   ? TPictureFormat::Svg
               : format == 1 ? TPictureFormat::Pdf
                             : TPictureFormat::Png;
    s.unit = m_unit->currentIndex() == 1 ? TPictureUnit::Pixel : TPictureUnit::Millimetre;
    s.width = m_width->value();
    s.height = m_height->value();
    s.sizeIsPlotArea = m_sizeOf->currentIndex() == 1;
    s.dpi = m_dpi->value();
    s.transparent = s.format == TPictureFormat::Png && m_transparent->isChecked();
    s.fontPoints = m_font->value();
    s.lineWidthPoints = m_line->value();
    return s;
}

void TExportDialog::applyPreset(int index) {
    if (index <= 0) return;
    const TPreset& p = presets[index];
    {
        const QSignalBlocker blockUnit(m_unit), blockWidth(m_width), blockHeight(m_height);
        m_unit->setCurrentIndex(p.unit == TPictureUnit::Pixel ? 1 : 0);
        m_width->setValue(p.width);
        m_height->setValue(p.height);
        m_sizeOf->setCurrentIndex(0);
    }
    refresh();
}

void TExportDialog::refresh() {
    const TPictureSettings s = settings();
    const bool png = s.format == TPictureFormat::Png;
    m_chosen->setEnabled(s.panes == TPicturePanes::Chosen);
    m_transparent->setEnabled(png);
    // The resolution makes PNG pixels, and gives a size in pixels its length on paper.
    m_dpi->setEnabled(png || s.unit == TPictureUnit::Pixel);
    if (png) {
        const double inches = s.unit == TPictureUnit::Pixel ? 1.0 / s.dpi : 1.0 / 25.4;
        m_pixels->setText(s.sizeIsPlotArea ? QString()
                                           : QStringLiteral("%1 × %2 pixels")
                                                 .arg(std::lround(s.width * inches * s.dpi))
                                                 .arg(std::lround(s.height * inches * s.dpi)));
    } else {
        m_pixels->clear();
    }
    const QImage image = m_preview ? m_preview(s, previewBox) : QImage();
    if (image.isNull())
        m_picture->setText(QStringLiteral("No picture at this size"));
    else
        m_picture->setPixmap(QPixmap::fromImage(image));
}
