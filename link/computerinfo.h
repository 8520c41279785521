#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The settings record as the computer sends it (replies 5 and 24). Only the computer name, the
// water type and the surface pressure mean something to this program; every other field is kept
// in wire order in `fields` for display.
struct ComputerSettings
{
    quint16 firstWord = 0;
    quint8 layout = 0; // 0 or 1: layout A, 2: layout B, above: common block only
    quint8 subVersion = 0;
    QByteArray computerName; // 32 bytes, zero-padded
    quint8 waterType = 0;
    quint16 surfacePressureMbar = 0;
    QByteArray secondText; // 32 bytes, zero-padded
    QList<quint64> fields; // all numeric fields in wire order, named ones included

    // The name up to its first zero byte.
    QString computerNameText() const;
};

// What the connected computer reported. Kept after a disconnect so the last computer's data stay
// readable; reset when a different computer is connected.
struct ComputerInfo
{
    quint32 mode = 0; // 1 normal, 2 firmware (bootloader), 0 other
    quint32 variant = 0;
    quint8 modeDigit = 0;
    quint32 versionWord = 0;
    QString versionText;
    QString serialNumber;
    QString textLines;
    ComputerSettings settings;
    QString ownerName;
    quint32 ambientPressure = 0; // mbar
    quint16 secondPressureValue = 0;
    quint32 reply28Value32 = 0;
    quint16 reply28Value16 = 0;
    quint64 value64 = 0;
    // Bodies of the dive list replies (code byte first), in arrival order; the dive header
    // parser reads them.
    QList<QByteArray> diveHeaderReplies;
    // Sample bytes of the last dive requested, concatenated without the code bytes.
    QByteArray rawSampleBytes;
    QByteArray block128;
    quint8 blockByte = 0;
    quint32 valuePair[2] = { 0, 0 };
};

// Reply parsers. `body` is the frame body (code byte first); fields missing from a short body
// read as zero. They only touch the fields the reply carries.
void parseIdentity(const QByteArray& body, ComputerInfo& info);
// Empty when the reply is shorter than its layout (twelve bytes, or six and a letter for mode
// digit 0) or its number is all zeros: such a serial would make two computers one.
QString parseSerialNumber(const QByteArray& body, quint8 modeDigit);
ComputerSettings parseSettings(const QByteArray& body, bool withExtension);
// Zero-terminated UTF-8 text at `offset`, at most `maxBytes` long and never beyond the body.
QString zeroTerminatedText(const QByteArray& body, qsizetype offset, qsizetype maxBytes);
// Owner names travel as at most this many UTF-8 bytes; the computer keeps a terminator after.
constexpr int kOwnerNameMaxBytes = 31;
