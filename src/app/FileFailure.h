// Failures of reading a file, told with the file's name: a message from deep inside a reader
// ("Incomplete value pair", "More than 20 line errors.") does not say which file it is about.
#pragma once

#include <QString>

#include <exception>
#include <new>
#include <stdexcept>

// A reading failure whose message names the file.
class EFileReadError : public std::runtime_error {
public:
    explicit EFileReadError(const QString& message)
        : std::runtime_error(message.toUtf8().toStdString()) {}
};

// Runs read(); an exception whose message does not hold fileName is thrown again as
// EFileReadError "Cannot read "<fileName>": <message>". Messages that name the file already
// pass unchanged.
template <class F>
void readNamingFile(const QString& fileName, F&& read) {
    QString message;
    try {
        read();
        return;
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("there is not enough memory to read it.");
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
        if (message.contains(fileName)) throw;
    }
    throw EFileReadError(QStringLiteral("Cannot read \"%1\": %2").arg(fileName, message));
}
