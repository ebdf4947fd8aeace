// Atomic file writes through QSaveFile.
#include "app/AtomicFile.h"

#include <QSaveFile>

#include <cerrno>

namespace {

// The reason for a failure of file: Qt's text, or the system's when Qt has none.
QString failureReason(const QFileDevice& file, int error) {
    if (file.error() != QFileDevice::NoError &&
        file.errorString() != QLatin1String("Unknown error"))
        return file.errorString();
    return qt_error_string(error);
}

}  // namespace

void writeFileAtomically(const QString& path, std::string_view bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        const int error = errno;
        throw EFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, failureReason(file, error)));
    }
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        const int error = errno;
        const QString reason = failureReason(file, error);
        file.cancelWriting();
        throw EFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
    }
    if (!file.commit()) {
        const int error = errno;
        throw EFileError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, failureReason(file, error)));
    }
}
