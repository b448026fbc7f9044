#pragma once
// Points the window-state store at a file in a fresh temporary folder.

#include "skins/QVSettingsHelpers.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override { CQVSettingsHelpers::SetStoreFile(StoreFile()); }
    void TearDown() override { CQVSettingsHelpers::SetStoreFile(QString()); }

    QString StoreFile() const { return m_dir.filePath(QStringLiteral("Quelvar.conf")); }
    static std::unique_ptr<QSettings> Store() { return CQVSettingsHelpers::OpenStore(); }

private:
    QTemporaryDir m_dir;
};
