#pragma once

#include <QWidget>

class DuskmereWizard;

class ReadyPage : public QWidget
{
    Q_OBJECT

public:
    explicit ReadyPage(DuskmereWizard *wizard);

    void initPage();

    int pageIndex = 0;
    DuskmereWizard *wizard;
};
