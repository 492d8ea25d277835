#pragma once

#include <QWidget>

class DuskmereWizard;
class QRadioButton;

// Page 4: where the shortcuts go, and a summary of what is about to be installed where.
class ReadyPage : public QWidget
{
    Q_OBJECT

public:
    explicit ReadyPage(DuskmereWizard *wizard);

    void initPage();

public slots:
    void updateLinks();

public:
    int pageIndex = 0;
    DuskmereWizard *wizard;
    QRadioButton *desktopOnlyButton = nullptr;
    QRadioButton *startMenuOnlyButton = nullptr;
    QRadioButton *bothButton = nullptr;
};
