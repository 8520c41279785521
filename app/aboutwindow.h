#pragma once

#include <QWidget>

// The frameless About window over the splash picture. It deletes itself when
// closed, so each opening costs nothing once it is gone.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    AboutWindow();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
