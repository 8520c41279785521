#pragma once

// The reference material kept beside the checkout ("../shared"): other programs' dive files.
// VELTRA_SHARED names another place (a worktree whose parent has none). Tests skip, saying
// why, when it is missing.

#include <QDir>
#include <QFileInfo>
#include <QString>

#ifndef VELTRA_TEST_DATA
#error "tests/shareddata.h needs VELTRA_TEST_DATA (tests/data of the checkout)"
#endif

inline QString sharedFormatsSample(const QString& relative)
{
    const QByteArray override = qgetenv("VELTRA_SHARED");
    const QString shared = override.isEmpty()
        ? QDir(QStringLiteral(VELTRA_TEST_DATA)).absoluteFilePath(QStringLiteral("../../../shared"))
        : QString::fromLocal8Bit(override);
    return QDir(shared).absoluteFilePath(QStringLiteral("formats/samples/") + relative);
}

// Skips the test when the sample is not there.
#define SHARED_SAMPLE_OR_SKIP(variable, relative)                                                  \
    const QString variable = sharedFormatsSample(relative);                                        \
    if (!QFileInfo::exists(variable))                                                              \
        QSKIP(qPrintable(                                                                          \
            QStringLiteral("no shared sample %1 (../shared beside the checkout)").arg(variable)));
