// Writing a file completely or not at all, and the failure that tells why it was not written.
#pragma once

#include <QString>

#include <stdexcept>
#include <string_view>

// A failure whose message is shown as it is.
class EFileError : public std::runtime_error {
public:
    explicit EFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Replaces the file at path by bytes in one step: the bytes go to a new file beside it, which
// then takes the name, so that a failure leaves the previous file as it was. Throws
// EFileError naming the file and the system's reason.
void writeFileAtomically(const QString& path, std::string_view bytes);
