// The user's own settings of the running program, kept by Qt where the platform keeps them.
#pragma once

#include <QSettings>

#include "app/Settings.h"

class TQtSettings : public iSettings {
public:
    QString value(const QString& key) const override { return m_settings.value(key).toString(); }
    void setValue(const QString& key, const QString& value) override {
        m_settings.setValue(key, value);
    }

private:
    QSettings m_settings;
};
