#pragma once

#include <QWidget>

class DuskmereWizard;

class GatherPage : public QWidget
{
    Q_OBJECT

public:
    explicit GatherPage(DuskmereWizard *wizard);

public slots:
    void startProcessing();

public:
    int pageIndex = 0;
    DuskmereWizard *wizard;
};
