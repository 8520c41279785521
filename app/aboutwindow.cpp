#include "app/aboutwindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

AboutWindow::AboutWindow()
    : QWidget(nullptr, Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setObjectName(QStringLiteral("AboutWindow"));

    const QPixmap picture(QStringLiteral(":/TestGraphics/icons/splashscreen.png"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* image = new QLabel(this);
    image->setPixmap(picture);
    layout->addWidget(image);

    auto* ok = new QPushButton(tr("Ok"), this);
    ok->setObjectName(QStringLiteral("btAboutOk"));
    // The button sits 220 pixels above the picture's bottom, but never over the version label
    // (which ends 280 pixels from the top), whatever the picture's height.
    ok->setGeometry(picture.width() - 140, std::max(picture.height() - 220, 290), 100, 50);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);

    auto* version = new QLabel(QStringLiteral("V") + QApplication::applicationVersion(), this);
    version->setObjectName(QStringLiteral("lbAboutVersion"));
    version->setGeometry(560, 230, 120, 50);
    QFont font(QStringLiteral("Roboto Black"));
    font.setPointSize(20);
    version->setFont(font);
    // The picture is dark blue whatever the desktop's palette: its text is light.
    QPalette light = version->palette();
    light.setColor(QPalette::WindowText, Qt::white);
    version->setPalette(light);
}

void AboutWindow::keyPressEvent(QKeyEvent* event)
{
    // Frameless, it has no close button of its own: Escape closes it like Ok.
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}
