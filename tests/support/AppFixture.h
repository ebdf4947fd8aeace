// A shown frame for application tests: scripted dialogs, an in-memory clipboard and a temporary
// folder unique to the run, with helpers to write files into it and to trigger actions.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "app/SpectraViewerFrame.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
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

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_frame = std::make_unique<TSpectraViewerFrame>(
            TViewerServices{&m_dialogs, &m_clipboard, tempFolder(), QStringLiteral("0.2.0.0")});
        m_frame->resize(1000, 700);
        m_frame->show();
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
    // As from the menu or a shortcut: the states are brought up to date first.
    void trigger(const char* name) {
        m_frame->updateActions();
        QAction* a = m_frame->action(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    TSpectraManager& manager() const { return *m_frame->manager(); }
    TSpectrum& current() const { return *m_frame->currentSpectrum(); }
    TSpectrumData& currentData() const { return *current().spectrumData(); }
    TSpectrumData& dataOf(int pane) const {
        return *manager().container(pane)->spectrum()->spectrumData();
    }

    ScriptedDialogs m_dialogs;
    FakeClipboard m_clipboard;
    QTemporaryDir m_dir;
    std::unique_ptr<TSpectraViewerFrame> m_frame;
};
