#include "wizard/DuskmereWizard.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The JPEG reader may ship in a "plugins" folder beside the archive's working directory.
    QCoreApplication::addLibraryPath(QStringLiteral("plugins"));

    DuskmereWizard wizard; // shows itself
    return QApplication::exec();
}
