#pragma once

#include <QWidget>

class DuskmereWizard;

class CopyPage : public QWidget
{
    Q_OBJECT

public:
    explicit CopyPage(DuskmereWizard *wizard);

    void initPage();

public slots:
    void startProcessing();
    void setDoneCopying();

public:
    int pageIndex = 0;
    DuskmereWizard *wizard;
};
