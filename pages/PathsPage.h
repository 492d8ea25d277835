#pragma once

#include <QWidget>

class DuskmereWizard;

class PathsPage : public QWidget
{
    Q_OBJECT

public:
    explicit PathsPage(DuskmereWizard *wizard);

    void initPage();

    int pageIndex = 0;
    DuskmereWizard *wizard;
};
