// A viewer frame for runs with nobody at the screen (benchmarks, fuzzers, the soak): laid out,
// resized and painted as Qt does for a shown widget, never on a screen. Its dialogs keep the
// messages and answer nothing; its clipboard stays empty.
#pragma once

#include <QCoreApplication>
#include <QSize>
#include <QString>

#include "app/HeadlessServices.h"
#include "app/Settings.h"
#include "app/SpectraViewerFrame.h"
#include "app/ViewerServices.h"

struct THeadlessFrame {
    // Needs an application object (ensureOffscreenApplication).
    THeadlessFrame(const QString& tempPath, const QString& version, QSize size)
        : frame(TViewerServices{dialogs, clipboard, settings, tempPath, version}) {
        frame.setAttribute(Qt::WA_DontShowOnScreen);
        frame.resize(size);
        frame.show();
        QCoreApplication::processEvents();
    }

    // Made before the frame, which keeps pointers to them.
    TRecordingDialogs dialogs;
    TNoClipboard clipboard;
    TMemorySettings settings;
    TSpectraViewerFrame frame;
};
