// An in-memory clipboard for tests: one text and any number of named blocks per content.
#pragma once

#include <map>

#include "model/Clipboard.h"

class FakeClipboard : public iClipboard {
public:
    void setText(const std::string& text) override {
        clear();
        m_text = text;
        ++m_puts;
    }
    void setData(const std::string& format, std::vector<std::uint8_t> bytes) override {
        clear();
        m_blocks[format] = std::move(bytes);
        ++m_puts;
    }
    void setTextAndData(const std::string& text, const std::string& format,
                        std::vector<std::uint8_t> bytes) override {
        clear();
        m_text = text;
        m_blocks[format] = std::move(bytes);
        ++m_puts;
    }
    void setTextAndMimeData(const std::string& text, const TMimeBlocks& blocks) override {
        clear();
        m_text = text;
        for (const auto& [type, bytes] : blocks) m_blocks[type] = bytes;
        ++m_puts;
    }

    std::string text() const override { return m_text.value_or(std::string()); }
    bool hasText() const override { return m_text.has_value(); }
    std::optional<std::vector<std::uint8_t>> data(const std::string& format) const override {
        const auto it = m_blocks.find(format);
        if (it == m_blocks.end()) return std::nullopt;
        return it->second;
    }

    void clear() {
        m_text.reset();
        m_blocks.clear();
    }
    // How many times something was put on the clipboard (each put is one operation).
    int puts() const { return m_puts; }

private:
    std::optional<std::string> m_text;
    std::map<std::string, std::vector<std::uint8_t>> m_blocks;
    int m_puts = 0;
};
