#pragma once

#include <QWidget>

class DuskmereWizard;

class FinalPage : public QWidget
{
    Q_OBJECT

public:
    explicit FinalPage(DuskmereWizard *wizard);

    void initPage();

public slots:
    void quit();

public:

    int pageIndex = 0;
    DuskmereWizard *wizard;
};
