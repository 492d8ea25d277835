#include "FinalPage.h"

#include "pages/widgets/AccessibleText.h"
#include "pages/widgets/RichLabel.h"
#include "platform/folders/LocalPath.h"
#include "wizard/Config.h"
#include "wizard/DuskmereWizard.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

FinalPage::FinalPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{ }

void FinalPage::initPage()
{
    auto *heading = richLabel(tr("<h1>Installation Successful</h1><b>The Duskmere was successfully "
                                 "installed on your computer.</b>"));
    // The font element is left open on purpose: that is the note as it has always read.
    auto *note = richLabel(tr(
        "<font color=red>Important Note for Windows Vista Users:<br><br>If you are using Windows "
        "Vista (or newer), you may receive a message saying <i>\"This program might not have "
        "installed correctly\"</i> (or similar) after pressing Close and exiting DuskmereSetup. "
        "This message is not correct, so please ignore it. DuskmereSetup finished "
        "successfully."));

    const ConfigFile config;
    for (int n = 1; config.contains(Config::ExtraUrl, n); ++n) {
        if (!config.contains(Config::ExtraDesc, n))
            continue;
        auto *box = new QCheckBox(config.value(Config::ExtraDesc, n).toString());
        box->setChecked(config.value(Config::ExtraDefault, n).toBool());
        // Read as configured: the box itself takes an '&' for a mnemonic and drops it.
        box->setAccessibleName(config.value(Config::ExtraDesc, n).toString());
        extras.append({box, config.value(Config::ExtraUrl, n).toString()});
    }

    auto *column = new QVBoxLayout;
    column->setContentsMargins(32, 32, 32, 32);
    column->addWidget(heading);
    column->addSpacing(40);
    column->addWidget(note);
    if (!extras.isEmpty()) {
        column->addSpacing(40);
        auto *question = richLabel(tr("Select additional actions to perform when pressing Close:"));
        column->addWidget(question);
        column->addSpacing(10);
        QList<QAbstractButton *> boxes;
        for (const auto &extra : std::as_const(extras)) {
            column->addWidget(extra.first);
            boxes += extra.first;
        }
        AccessibleText::describeChoices(question, boxes);
    }
    column->addSpacing(40);
    auto *closing = richLabel(tr("<b>Press Close to exit DuskmereSetup.</b>"));
    column->addWidget(closing);
    column->addStretch();
    setLayout(column);
    AccessibleText::describePage(this, heading, {note, closing});
}

void FinalPage::quit()
{
    for (const auto &[box, target] : std::as_const(extras)) {
        if (!box->isChecked())
            continue;
        if (target.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)) {
            QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
        } else {
            // A file that does not exist has no canonical path: the empty file URL goes out
            // and nothing happens.
            const QString file = QFileInfo(Platform::localPath(target)).canonicalFilePath();
            QDesktopServices::openUrl(QUrl::fromLocalFile(file));
        }
    }
    QCoreApplication::exit(0);
}
