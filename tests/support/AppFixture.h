// A shown window for application tests: scripted dialogs, an in-memory clipboard and a temporary
// folder unique to the run, with helpers to write files into it, to add panes and to trigger
// actions.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/MziFile.h"
#include "model/Color.h"
#include "model/Label.h"
#include "model/SpectrumData.h"
#include "support/FakeClipboard.h"
#include "support/ScriptedDialogs.h"

// The whole contents of a file, or "<unreadable>".
inline std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
    return file.readAll().toStdString();
}

inline void writeFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// What every error box of a failed load ends with.
inline const QString formatHint =
    QStringLiteral("\nUnexpected format.\nTry File > Import (Ctrl+I) for a text spectrum.");

// One series element of a hand-written .mzi document; the integrity value is the text's own
// checksum unless given.
struct TSerieXml {
    std::string name;
    std::string view;
    std::string text;
    std::optional<std::int64_t> idcode = std::nullopt;
};

inline std::string serieXml(bool observed, const TSerieXml& s) {
    const std::string tag = observed ? "spectrumobs" : "spectrum";
    const std::string data = observed ? "dataobs" : "datatheo";
    const std::int64_t id = s.idcode.value_or(pointTextChecksum(s.text));
    return "<" + tag + " name=\"" + s.name + "\" view=\"" + s.view + "\" IDcode=\"" +
           std::to_string(id) + "\"><" + data + " ID=\"0\" name=\"" + s.name +
           "\" description=\"\" ncols=\"2\" nvalues=\"4\">" + s.text + "</" + data + "></" + tag +
           ">";
}

// A spectra element: the first series observed, the rest theoretical.
inline std::string spectraXml(const std::string& caption, const std::vector<TSerieXml>& series) {
    std::string xml = "<spectra name=\"" + caption + "\">";
    for (std::size_t i = 0; i < series.size(); ++i) xml += serieXml(i == 0, series[i]);
    return xml + "</spectra>";
}

inline std::string documentXml(const std::vector<std::string>& spectra,
                               const std::string& annotations = {}) {
    std::string xml = "<QUENTARIS xmlns=\"http://velmorix.org/MZI.xsd\"><spectra_set>";
    for (const auto& s : spectra) xml += s;
    xml += "</spectra_set>";
    if (!annotations.empty()) xml += "<Annotations>" + annotations + "</Annotations>";
    return xml + "</QUENTARIS>\r\n";
}

// Checks that plot was finished as every loader finishes a pane: series 0 current with the view
// fitted to it, the view history started, nothing to save; one visible navy "Custom Labels" list
// when series 0 has points to pick its peaks from.
inline void expectFinishedAsLoaded(TSpectrum& plot) {
    TSpectrumData& data = *plot.spectrumData();
    EXPECT_EQ(data.series()->currentIndex(), 0);
    EXPECT_EQ(plot.viewHistory().size(), 1);
    EXPECT_FALSE(data.isModified());
    if (data.series()->isEmpty() || data.series()->serie(0)->points()->isEmpty()) {
        EXPECT_EQ(data.labels()->count(), 0);
        return;
    }
    const TFloatPointSortedList& points = *data.series()->serie(0)->points();
    EXPECT_LE(data.xRange()->min(), points.first().x);
    EXPECT_GE(data.xRange()->max(), points.last().x);
    EXPECT_GE(data.yRange()->max(), points.getMaxPoint().y);
    ASSERT_EQ(data.labels()->count(), 1);
    const auto* labels = dynamic_cast<const TTextLabelList*>(data.labels()->labelList(0).get());
    ASSERT_NE(labels, nullptr);
    EXPECT_EQ(labels->name(), customLabelsName);
    EXPECT_TRUE(labels->isVisible());
    EXPECT_EQ(labels->font().color, colors::navy);
}

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_window = makeWindow(
            TViewerServices{m_dialogs, m_clipboard, m_settings, tempFolder(), QStringLiteral("0.2.0.0")});
        ASSERT_NE(m_frame, nullptr);
        m_window->resize(1000, 700);
        m_window->show();
    }
    // The shown window, which sets m_frame; a bare frame by default.
    virtual std::unique_ptr<QWidget> makeWindow(const TViewerServices& services) {
        auto frame = std::make_unique<TSpectraViewerFrame>(services);
        m_frame = frame.get();
        return frame;
    }
    // The frame's own temporary folder (for annotation pages); the run's folder by default.
    virtual QString tempFolder() { return m_dir.path(); }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Writes bytes into the run's folder and returns the file's path.
    QString write(const QString& name, const std::string& bytes) {
        const QString p = path(name);
        writeFile(p, bytes);
        return p;
    }
    QAction& act(const char* name) const {
        QAction* a = m_frame->action(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return *a;
    }
    // As from the menu or a shortcut: the states are brought up to date first.
    void trigger(const char* name) {
        m_frame->updateActions();
        QAction* a = m_frame->action(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    bool enabled(const char* name) {
        m_frame->updateActions();
        return act(name).isEnabled();
    }
    // A new empty pane at the bottom, made current.
    TSpectrum& addPane() {
        manager().setCount(manager().count() + 1);
        TSpectrumContainer* pane = manager().lastContainer();
        manager().navigator()->setSpectrumContainer(pane);
        return *pane->spectrum();
    }
    TSpectraManager& manager() const { return *m_frame->manager(); }
    TSpectrum& current() const { return *m_frame->currentSpectrum(); }
    TSpectrumData& currentData() const { return *current().spectrumData(); }
    TSpectrumData& dataOf(int pane) const {
        return *manager().container(pane)->spectrum()->spectrumData();
    }

    ScriptedDialogs m_dialogs;
    FakeClipboard m_clipboard;
    TMemorySettings m_settings;
    QTemporaryDir m_dir;
    TSpectraViewerFrame* m_frame = nullptr;
    std::unique_ptr<QWidget> m_window;
};

// The main window instead of a bare frame; browsesRuns as the viewer's window has it (a run
// opens in its browser) unless a suite turns it off.
class MainWindowFixture : public AppFixture {
protected:
    explicit MainWindowFixture(bool browsesRuns = true) : m_browsesRuns(browsesRuns) {}
    std::unique_ptr<QWidget> makeWindow(const TViewerServices& services) override {
        auto window = std::make_unique<TMainForm>(services);
        m_main = window.get();
        m_frame = window->frame();
        if (m_browsesRuns) m_frame->setBrowsesRuns(true);
        return window;
    }

    TMainForm* m_main = nullptr;

private:
    bool m_browsesRuns;
};
