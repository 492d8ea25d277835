#pragma once

#include <QWidget>

class DuskmereWizard;

// Page 1: the logo column, the introduction and the choice of the game's edition.
class WelcomePage : public QWidget
{
    Q_OBJECT

public:
    explicit WelcomePage(DuskmereWizard *wizard);

    int pageIndex = 0;
    DuskmereWizard *wizard;
};
