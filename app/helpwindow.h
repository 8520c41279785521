#pragma once

#include <QDialog>

class QTextBrowser;

// Help > User guide: the guide shipped in the resources, in the program's language, with the
// pictures of the README. Non-modal, so that the diver can follow it while working.
class HelpWindow : public QDialog
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // The resource the guide is read from, in the language of the translation loaded.
    static QString guidePath();

private:
    QTextBrowser* m_browser;
};
