// Placeholders for the File commands until their implementation lands.
#include "app/SpectraViewerFrame.h"

bool TSpectraViewerFrame::loadMziFile(const QString&) {
    return false;
}
bool TSpectraViewerFrame::saveMziFile(const QString&, TSpectrumData&) {
    return false;
}
bool TSpectraViewerFrame::saveMziRange(const QString&, TSpectrumData&) {
    return false;
}
void TSpectraViewerFrame::fileNew() {}
void TSpectraViewerFrame::fileOpen() {}
void TSpectraViewerFrame::fileSave() {}
void TSpectraViewerFrame::fileSaveAs() {}
void TSpectraViewerFrame::fileSaveRange() {}
void TSpectraViewerFrame::fileImport() {}
void TSpectraViewerFrame::fileExport() {}
void TSpectraViewerFrame::fileAnnotations() {}
