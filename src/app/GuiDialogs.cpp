// Qt's dialogs behind the dialogs seam, and the About box.
#include "app/GuiDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "app/ExportDialog.h"

namespace {

const QString programTitle = QStringLiteral("Velmorix viewer");

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

QMessageBox::StandardButton toStandard(TMessageButton button) {
    switch (button) {
        case TMessageButton::Ok:
            return QMessageBox::Ok;
        case TMessageButton::Abort:
            return QMessageBox::Abort;
        case TMessageButton::Ignore:
            return QMessageBox::Ignore;
        case TMessageButton::Yes:
            return QMessageBox::Yes;
        case TMessageButton::No:
            return QMessageBox::No;
        case TMessageButton::Cancel:
            return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toIcon(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Error:
            return QMessageBox::Critical;
        case TMessageKind::Warning:
            return QMessageBox::Warning;
        case TMessageKind::Question:
            return QMessageBox::Question;
        case TMessageKind::Info:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QIcon programIcon() {
#ifdef VELMORIX_APP_RESOURCES
    // The resources live in a static library: register them before the first look-up.
    static const bool registered = [] {
        Q_INIT_RESOURCE(app);
        return true;
    }();
    (void)registered;
    const QString path = QStringLiteral(":/icons/velmorix.svg");
    if (QFile::exists(path)) return QIcon(path);
#endif
    return {};
}

// --- About box -----------------------------------------------------------------------------------

TAboutBox::TAboutBox(const QString& version, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About ") + programTitle);

    auto* icon = new QLabel(this);
    const QIcon programImage = programIcon();
    if (!programImage.isNull()) icon->setPixmap(programImage.pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* name = new QLabel(programTitle, this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    name->setFont(nameFont);
    m_version = new QLabel(QStringLiteral("Version ") + version, this);
    m_version->setObjectName(QStringLiteral("Version"));
    auto* line = new QLabel(QStringLiteral("A viewer and light editor for mass spectra."), this);

    auto* text = new QTextBrowser(this);
    text->setReadOnly(true);
    text->setOpenLinks(false);
    text->setHtml(QStringLiteral(
        "<p>Opens spectra from <i>.mzi</i> documents, shows them in up to eight stacked panes "
        "with zoom, scroll and stretch tools and a history of views, and saves them back.</p>"
        "<p>Series can be copied and pasted as text, renamed, recoloured and drawn as bars or "
        "lines.</p>"));
    text->setFixedHeight(110);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* head = new QVBoxLayout;
    head->addWidget(name);
    head->addWidget(m_version);
    head->addWidget(line);
    head->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(head, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(380);
}

QString TAboutBox::versionText() const {
    return m_version->text();
}

// --- dialogs -------------------------------------------------------------------------------------

namespace {

// An open dialog for existing files (one, or several with mode ExistingFiles); nullopt when
// cancelled.
std::optional<TFileChoices> chooseExisting(const QString& title, const QStringList& filters,
                                           const TFileChoice& start, QFileDialog::FileMode mode) {
    QFileDialog dialog(dialogParent(), title, start.path);
    dialog.setFileMode(mode);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(filters);
    if (start.filterIndex >= 1 && start.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[start.filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return TFileChoices{dialog.selectedFiles(), std::max(index, 0) + 1};
}

}  // namespace

std::optional<TFileChoice> TGuiDialogs::openFileName(const QString& title,
                                                     const QStringList& filters,
                                                     const TFileChoice& start) {
    const auto chosen = chooseExisting(title, filters, start, QFileDialog::ExistingFile);
    if (!chosen) return std::nullopt;
    return TFileChoice{chosen->paths.constFirst(), chosen->filterIndex};
}

std::optional<TFileChoices> TGuiDialogs::openFileNames(const QString& title,
                                                       const QStringList& filters,
                                                       const TFileChoice& start) {
    return chooseExisting(title, filters, start, QFileDialog::ExistingFiles);
}

std::optional<QString> TGuiDialogs::saveFileName(const QString& title, const QString& proposed) {
    // Asks before overwriting an existing file.
    const QString path = QFileDialog::getSaveFileName(dialogParent(), title, proposed);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QColor> TGuiDialogs::color(const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, dialogParent());
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

std::optional<QString> TGuiDialogs::inputText(const QString& title, const QString& prompt,
                                              const QString& initial) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(initial.left(maxInputLength));
    if (auto* edit = dialog.findChild<QLineEdit*>()) {
        edit->setMaxLength(maxInputLength);
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 40);
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().left(maxInputLength);
}

TMessageButton TGuiDialogs::showMessage(TMessageKind kind, const QString& text,
                                        const std::vector<TMessageButton>& buttons,
                                        TMessageButton defaultButton) {
    const std::vector<TMessageButton> offered =
        buttons.empty() ? std::vector<TMessageButton>{TMessageButton::Ok} : buttons;
    QMessageBox box(toIcon(kind), programTitle, text, QMessageBox::NoButton, dialogParent());
    for (const TMessageButton b : offered) box.addButton(toStandard(b));
    box.setDefaultButton(toStandard(defaultButton));
    // Closing the box otherwise counts as the last button.
    box.setEscapeButton(box.button(toStandard(offered.back())));
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const TMessageButton b : offered)
        if (toStandard(b) == pressed) return b;
    return offered.back();
}

void TGuiDialogs::about(const QString& version) {
    TAboutBox box(version, dialogParent());
    box.exec();
}

void TGuiDialogs::runWithProgress(const QString& label,
                                  const std::function<void(const TProgress&)>& work) {
    // Tenths of a per mille, so that the box moves smoothly on long work.
    constexpr int steps = 10000;
    std::atomic<int> done = 0;
    std::atomic<bool> givenUp = false;
    std::exception_ptr failure;

    QEventLoop loop;
    // The box shows only when the work lasts; it keeps the window from other input meanwhile.
    QProgressDialog box(label, QStringLiteral("Cancel"), 0, steps, dialogParent());
    box.setWindowTitle(programTitle);
    box.setWindowModality(Qt::WindowModal);
    box.setMinimumDuration(400);
    box.setAutoClose(false);
    box.setAutoReset(false);
    QObject::connect(&box, &QProgressDialog::canceled, &box, [&] {
        givenUp = true;
        box.setLabelText(QStringLiteral("Cancelling…"));
    });
    QTimer poll;
    poll.setInterval(30);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!givenUp) box.setValue(done);
    });
    box.setValue(0);

    std::thread worker([&] {
        try {
            work([&](double fraction) {
                done = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * (steps - 1));
                return !givenUp;
            });
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    poll.start();
    // Short work never shows the box.
    loop.exec();
    worker.join();
    poll.stop();
    box.reset();
    if (failure) std::rethrow_exception(failure);
}

std::optional<TPictureSettings> TGuiDialogs::pictureSettings(const TPictureSettings& initial,
                                                             const TPicturePreview& preview,
                                                             bool chromatogramOffered,
                                                             const QStringList& paneNames) {
    TExportDialog dialog(initial, preview, chromatogramOffered, paneNames,
                         QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.settings();
}

bool TGuiDialogs::print(bool preview, const TPrintPainter& paint) {
    QPrinter printer(QPrinter::HighResolution);
    if (!preview) {
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted) return false;
        paint(printer, TPrintPages::AllOnOnePage);
        return true;
    }
    QPrintPreviewDialog dialog(&printer, QApplication::activeWindow());
    TPrintPages pages = TPrintPages::AllOnOnePage;
    // The arrangement of the panes sits in the preview's own tool bar.
    auto* arrangement = new QComboBox(&dialog);
    arrangement->addItems(
        {QStringLiteral("All panes on one page"), QStringLiteral("One pane per page")});
    if (auto* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        bar->addWidget(arrangement);
    }
    auto* view = dialog.findChild<QPrintPreviewWidget*>();
    QObject::connect(arrangement, &QComboBox::currentIndexChanged, &dialog, [&](int index) {
        pages = index == 1 ? TPrintPages::OnePanePerPage : TPrintPages::AllOnOnePage;
        if (view) view->updatePreview();
    });
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter* target) { paint(*target, pages); });
    return dialog.exec() == QDialog::Accepted;
}
