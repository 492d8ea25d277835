// A Qt generic plug-in that tests name in QT_QPA_GENERIC_PLUGINS, so that it loads into the real
// program on every platform without any hook in the program. It carries out the steps listed in
// DUSKMERE_AUTOPILOT, separated by ';':
//   click:<button text>   press the enabled button of that text (mnemonic '&' ignored)
//   answer:<Yes|No|Ok>    answer the next message box, logging its title and text
//   key:Escape            press Escape in the wizard
//   close                 close the wizard's window as its close button would
// It logs what it sees to DUSKMERE_AUTOPILOT_LOG, a record a line, and what the program asks
// the desktop to open instead of opening it. A new copy started by Reset gets the steps of
// DUSKMERE_AUTOPILOT_NEXT. On Windows, where they are not taken from the environment, it moves
// the Documents, Desktop and Start Menu folders below DUSKMERE_AUTOPILOT_FOLDERS.
#include "StandardFoldersRedirect.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTimer>

namespace {

class Autopilot : public QObject
{
    Q_OBJECT

public:
    Autopilot(const QStringList &steps, const QString &logPath)
        : steps(steps)
        , log(logPath)
    {
        log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        record(QStringLiteral("start\t%1").arg(QCoreApplication::applicationPid()));
        connect(qApp, &QCoreApplication::aboutToQuit, this,
                [this] { record(QStringLiteral("quit\t%1").arg(currentPage())); });
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        connect(&ticker, &QTimer::timeout, this, &Autopilot::tick);
        ticker.start(20);
        stepClock.start();
    }

public slots:
    void open(const QUrl &url) { record(QStringLiteral("open\t%1").arg(url.toString())); }

private:
    void record(const QString &line)
    {
        QString flat = line;
        flat.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        log.write(flat.toUtf8() + '\n');
    }

    static QDialog *wizard()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->inherits("DuskmereWizard"))
                return static_cast<QDialog *>(widget);
        return nullptr;
    }

    static int currentPage()
    {
        QDialog *dialog = wizard();
        auto *stack = dialog ? dialog->findChild<QStackedWidget *>() : nullptr;
        return stack ? stack->currentIndex() : -1;
    }

    void later(std::function<void()> action)
    {
        // Actions may open a modal box; run them from the event loop so the ticker keeps going.
        QTimer::singleShot(0, this, std::move(action));
    }

    void tick()
    {
        if (steps.isEmpty()) {
            ticker.stop();
            return;
        }
        if (stepClock.elapsed() > 60000) {
            record(QStringLiteral("stuck\t%1\t%2").arg(steps.first()).arg(currentPage()));
            steps.clear();
            QCoreApplication::exit(3);
            return;
        }
        const QString step = steps.first();
        const QString verb = step.section(QLatin1Char(':'), 0, 0);
        const QString arg = step.section(QLatin1Char(':'), 1);
        if (!perform(verb, arg))
            return; // not possible yet; try again at the next tick
        record(QStringLiteral("step\t%1\t%2").arg(step).arg(currentPage()));
        steps.removeFirst();
        stepClock.restart();
    }

    bool perform(const QString &verb, const QString &arg)
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (verb == QLatin1String("answer")) {
            if (!box || !box->isVisible())
                return false;
            record(QStringLiteral("box\t%1\t%2").arg(box->windowTitle(), box->text()));
            QAbstractButton *button = nullptr;
            for (QAbstractButton *candidate : box->buttons())
                if (candidate->text().remove(QLatin1Char('&')) == arg)
                    button = candidate;
            if (!button)
                return false;
            later([button] { button->click(); });
            return true;
        }
        if (box)
            return false; // a box nobody expected: wait, the step after it will say so
        QDialog *dialog = wizard();
        if (!dialog)
            return false;
        if (verb == QLatin1String("click")) {
            for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
                if (button->isVisible() && button->isEnabled()
                    && button->text().remove(QLatin1Char('&')) == arg) {
                    later([button] { button->click(); });
                    return true;
                }
            }
            return false;
        }
        if (verb == QLatin1String("key")) {
            later([dialog] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(dialog, &press);
            });
            return true;
        }
        if (verb == QLatin1String("close")) {
            later([dialog] { dialog->close(); });
            return true;
        }
        record(QStringLiteral("unknown\t%1").arg(verb));
        steps.clear();
        return false;
    }

    QStringList steps;
    QFile log;
    QTimer ticker;
    QElapsedTimer stepClock;
};

class AutopilotPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "autopilot.json")

public:
    // Called while the application is being built: the wizard does not exist yet.
    QObject *create(const QString &, const QString &) override
    {
        const QString folders = qEnvironmentVariable("DUSKMERE_AUTOPILOT_FOLDERS");
        if (!folders.isEmpty())
            redirectStandardFolders(folders);
        const QString script = qEnvironmentVariable("DUSKMERE_AUTOPILOT");
        const QByteArray next = qgetenv("DUSKMERE_AUTOPILOT_NEXT");
        qunsetenv("DUSKMERE_AUTOPILOT_NEXT");
        qputenv("DUSKMERE_AUTOPILOT", next);
        return new Autopilot(script.split(QLatin1Char(';'), Qt::SkipEmptyParts),
                             qEnvironmentVariable("DUSKMERE_AUTOPILOT_LOG"));
    }
};

} // namespace

#include "Autopilot.moc"
