// Exceptions of the data model; what() is the message the user sees.
#pragma once

#include <stdexcept>
#include <string>

// A list operation failed: "List index out of bounds (%d)" and the like.
class EListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    static EListError indexOutOfBounds(int index) {
        return EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
};

// Add under the error policy met an equal item; index is where that item stands.
class EListDuplicateError : public EListError {
public:
    explicit EListDuplicateError(int index) : EListError("Duplicated Item"), m_index(index) {}
    int index() const { return m_index; }

private:
    int m_index;
};

// A text did not convert to a number or a value pair.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A floating-point failure the original would have trapped, e.g. "Floating point division by
// zero"; also the general failures of numeric routines ("Bad xa input to routine splint").
class EMathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// object itself, or std::invalid_argument with message when it is empty: for setters of
// shared parts that their owner cannot do without.
template <class TPtr>
TPtr required(TPtr object, const char* message) {
    if (!object) throw std::invalid_argument(message);
    return object;
}
