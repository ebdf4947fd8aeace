// The clipboard as the model sees it: plain text and named binary blocks. The application
// implements it with the system clipboard; tests use an in-memory fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Blocks named by their MIME types ("image/png"), for other programs to read.
using TMimeBlocks = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

class iClipboard {
public:
    virtual ~iClipboard() = default;

    // Each put replaces the whole clipboard content.
    virtual void setText(const std::string& text) = 0;
    virtual void setData(const std::string& format, std::vector<std::uint8_t> bytes) = 0;
    // Text and one block together, as a single clipboard content.
    virtual void setTextAndData(const std::string& text, const std::string& format,
                                std::vector<std::uint8_t> bytes) = 0;
    // Text and several forms of one thing as a single clipboard content, each block under
    // its own MIME type: the program pasting picks the form it reads best.
    virtual void setTextAndMimeData(const std::string& text, const TMimeBlocks& blocks) = 0;

    // The text on the clipboard, empty when there is none.
    virtual std::string text() const = 0;
    virtual bool hasText() const = 0;
    // The block of format, or nullopt when the clipboard holds none.
    virtual std::optional<std::vector<std::uint8_t>> data(const std::string& format) const = 0;
};
