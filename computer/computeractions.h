#pragma once

#include "dive/diveprofile.h"

#include <QLowEnergyService>
#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

class FormBluetoothConnect;
class LinkLogFile;
class QLabel;
class QMenu;
class QWidget;
class TarskBle;

// The main window's side of the dive computer: creates the link on first use, runs the
// connection dialog, shows the computer's state on the `imgVeltra` label and carries out the
// computer actions (download dives, owner name, close the connection, reset). Every action that
// reaches the computer checks the link first and says clearly why it cannot go on.
class ComputerActions : public QObject
{
    Q_OBJECT
public:
    // Outside services the window provides; each has a plain default so the actions stand alone.
    struct Hooks
    {
        // Writes "Log: ..." lines and service errors to the console.
        std::function<void(const QString&)> console;
        // Stores one downloaded dive; returns the logbook's outcome code. Default: the logbook
        // stores it as a file's dive, then downloadStored hears of it.
        std::function<int(DiveProfile&)> storeDive;
        // Tells whether the logbook holds the listed dive. Default: the logbook's same-dive rule.
        std::function<bool(const DiveProfile& listed)> diveStored;
        // A downloaded dive the logbook took under this id (the window makes it undoable).
        std::function<void(const DiveProfile& dive, int diveId)> downloadStored;
        // Asks for the owner name; nothing when cancelled. Default: a text input dialog.
        std::function<std::optional<QString>(QWidget* parent, const QString& current)> askOwner;
        // Yes/No question; true for Yes. Default: a question box.
        std::function<bool(const QString& title, const QString& text)> confirm;
        // Warning or error to the user. Default: a message box.
        std::function<void(const QString& title, const QString& text)> warn;
        // Opens the firmware manager (computer in its firmware mode).
        std::function<void()> openFirmwareManager;
        // Extra widgets the window changes when the computer disconnects.
        std::function<void()> disconnected;
        // Makes the link when none exists yet (default: over the platform's Bluetooth).
        std::function<TarskBle*(QObject* parent, std::function<void(const QString&)> log)> makeLink;
        // Adds entries of the program's own to the computer's context menu.
        std::function<void(QMenu& menu)> extendMenu;
        // Where the link's log is kept (rotated); empty keeps none.
        QString linkLogPath;
        // Asks where to save the link log. Default: a file dialog.
        std::function<QString(QWidget* parent)> askSavePath;
    };

    ComputerActions(QWidget* window, QLabel* imgVeltra, Hooks hooks = {});
    ~ComputerActions() override;

    // 1 when a computer is connected and ready on return, otherwise the dialog's result.
    int connectTarskBle();
    void onDownloadDives();
    void onProgramName();
    void onImgVeltraContextualMenu(const QPoint& pos);
    // Close Connection and Reset Computer, as the context menu runs them.
    void closeConnection();
    void resetComputer();
    // Help > Save link log...: copies the link's log where the diver chooses, to send it.
    void saveLinkLog();

    void onDisconnectController();
    void onServiceError(QLowEnergyService::ServiceError pError);

    // The well-formed rich text shown on imgVeltra's tooltip for a connected computer.
    static QString connectedToolTip(const QString& serial, quint32 mode);

    FormBluetoothConnect* connectionDialog() const { return m_form; }
    // The dialog used by the last download, while it runs (null otherwise).
    QObject* downloadDialog() const { return m_download; }

signals:
    // Downloaded dives were passed to storeDive (count stored successfully).
    void divesStored(int count);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TarskBle* ensureLink();
    // One line of the link or the download: to the console and the link log.
    void logLine(const QString& line);
    // The link ready for commands in normal mode, or null after telling the user why not.
    TarskBle* readyLink(bool needNormalMode);
    void showConnected();
    void warn(const QString& title, const QString& text);
    bool confirm(const QString& title, const QString& text);

    QWidget* m_window;
    QLabel* m_img;
    Hooks m_hooks;
    FormBluetoothConnect* m_form;
    TarskBle* m_hookedLink = nullptr;
    QObject* m_download = nullptr;
    std::unique_ptr<LinkLogFile> m_linkLog;
    QMetaObject::Connection m_ownerConnection;
    QMetaObject::Connection m_ownerErrorConnection;
};
