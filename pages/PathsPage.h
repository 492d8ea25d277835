#pragma once

#include <QWidget>

class DuskmereWizard;
class QLabel;
class QLineEdit;

// Page 3: confirms the executable that detection found, or has the user locate it. Continue is
// enabled only while the entry names the right file.
class PathsPage : public QWidget
{
    Q_OBJECT

public:
    explicit PathsPage(DuskmereWizard *wizard);

    void initPage();

public slots:
    void browse();
    void validate();

public:
    int pageIndex = 0;
    DuskmereWizard *wizard;
    QString appName;
    QString exeName;
    QLineEdit *pathEdit = nullptr;
    QLabel *statusLabel = nullptr;

private:
    QString fileName; // the file the player locates: exeName but for a sandboxed Steam's command
    // The names the program may have; for Steam, those of the client decided before this page,
    // which does not change while the player types.
    QStringList programNames;
};
