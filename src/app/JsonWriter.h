// The JSON the headless modes print: a small writer that puts commas where they belong.
#pragma once

#include <QString>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

// A small JSON writer: values separated by commas where they need it.
class TJsonWriter {
public:
    explicit TJsonWriter(std::string& out) : m_out(out) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view name) {
        separate();
        string(name);
        m_out += ':';
        m_afterKey = true;
    }
    void value(std::string_view text) {
        separate();
        string(text);
    }
    void value(const QString& text) { value(std::string_view(text.toStdString())); }
    void value(const char* text) { value(std::string_view(text)); }
    void value(bool b) {
        separate();
        m_out += b ? "true" : "false";
    }
    void value(long long n) {
        separate();
        m_out += std::to_string(n);
    }
    void value(int n) { value(static_cast<long long>(n)); }
    // Shortest text that reads back as the same double; null for what JSON cannot hold.
    void value(double d) {
        separate();
        if (!std::isfinite(d)) {
            m_out += "null";
            return;
        }
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
        m_out.append(buffer, result.ptr);
    }
    void null() {
        separate();
        m_out += "null";
    }
    void pair(double x, double y) {
        beginArray();
        value(x);
        value(y);
        endArray();
    }

private:
    void open(char c) {
        separate();
        m_out += c;
        m_first = true;
    }
    void close(char c) {
        m_out += c;
        m_first = false;
    }
    void separate() {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (!m_first) m_out += ',';
        m_first = false;
    }
    void string(std::string_view text) {
        m_out += '"';
        for (const char ch : text) {
            const auto c = static_cast<unsigned char>(ch);
            switch (c) {
                case '"':
                    m_out += "\\\"";
                    break;
                case '\\':
                    m_out += "\\\\";
                    break;
                case '\n':
                    m_out += "\\n";
                    break;
                case '\r':
                    m_out += "\\r";
                    break;
                case '\t':
                    m_out += "\\t";
                    break;
                default:
                    if (c < 0x20) {
                        char escape[8];
                        std::snprintf(escape, sizeof escape, "\\u%04x", c);
                        m_out += escape;
                    } else {
                        m_out += ch;
                    }
            }
        }
        m_out += '"';
    }

    std::string& m_out;
    bool m_first = true;
    bool m_afterKey = false;
};
