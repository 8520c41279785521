#include "app/appdata.h"
#include "app/mainwindow.h"
#include "app/quitsignals.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VeltraDesktop"));
    QApplication::setApplicationVersion(QStringLiteral(VELTRA_VERSION));
    quitOnSignals();

    // Translations sit beside the executable. The application's own directory is
    // used rather than argv[0], which is relative (or a bare name found through
    // PATH) when the program is started from a shell.
    const QString language = QLocale::system().name().section(QLatin1Char('_'), 0, 0);
    QTranslator translator;
    if (translator.load(
            QStringLiteral("VeltraDesktop_") + language, QCoreApplication::applicationDirPath()))
        QCoreApplication::installTranslator(&translator);
    // Qt's own texts (standard buttons of the message boxes), when the system has them.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_") + language,
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

    // Without its data folder the program has nowhere to keep the logbook: say so
    // before the splash screen, which would cover the message.
    const QString dataDir = AppData::dataDirPath();
    if (!AppData::ensureDir(dataDir)) {
        AppData::reportDirFailure(nullptr, dataDir);
        return 1;
    }

    QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint mouse = QCursor::pos();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* candidate : screens) {
        if (candidate->geometry().contains(mouse)) {
            screen = candidate;
            break;
        }
    }

    QSplashScreen splash(screen, QPixmap(QStringLiteral(":/TestGraphics/icons/splashscreen.png")),
        Qt::WindowStaysOnTopHint);
    splash.show();
    QCoreApplication::processEvents();

    MainWindow window;
    if (!window.isUsable())
        return 1;
    // The designed size, or less on a small screen (a 1366x768 laptop), leaving room for the
    // title bar; centred on the screen.
    const QRect available = screen->availableGeometry();
    QRect place(QPoint(), window.size().boundedTo(available.size() - QSize(16, 48)));
    place.moveCenter(available.center());
    window.setGeometry(place);
    window.show();
    QTimer::singleShot(2000, &splash, &QWidget::close);
    return QApplication::exec();
}
