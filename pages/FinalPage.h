#pragma once

#include <QList>
#include <QPair>
#include <QWidget>

class DuskmereWizard;
class QCheckBox;

// Page 6: success, a note for Windows Vista users, and the configured extras, opened on Close.
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
    QList<QPair<QCheckBox *, QString>> extras; // check box and target, in configured order
};
