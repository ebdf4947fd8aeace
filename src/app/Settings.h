// What the viewer keeps between runs (the last folders and filters of the file dialogs) goes
// through iSettings, so that tests and headless runs never read or write the user's own.
#pragma once

#include <QString>

#include <map>

class iSettings {
public:
    virtual ~iSettings() = default;

    // Empty for a key never set.
    virtual QString value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QString& value) = 0;
};

// Settings that last as long as the object: for tests and runs with nobody at the screen.
class TMemorySettings : public iSettings {
public:
    QString value(const QString& key) const override {
        const auto it = m_values.find(key);
        return it == m_values.end() ? QString() : it->second;
    }
    void setValue(const QString& key, const QString& value) override { m_values[key] = value; }

private:
    std::map<QString, QString> m_values;
};
