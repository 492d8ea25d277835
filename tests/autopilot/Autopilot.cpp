// A Qt generic plug-in that tests name in QT_QPA_GENERIC_PLUGINS, so that it loads into the real
// program on every platform without any hook in the program. It carries out the steps listed in
// DUSKMERE_AUTOPILOT, separated by ';':
//   click:<button text>   press the enabled button of that text (mnemonic '&' ignored)
//   answer:<button text>  answer the next message box, logging its title and text
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
#include <QFile>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

namespace {

// What the program may ask the desktop to open: recorded instead.
const char *const schemes[] = {"http", "https", "file"};

class Autopilot : public QObject
{
    Q_OBJECT

public:
    Autopilot(const QStringList &steps, const QString &logPath)
        : steps(steps)
        , log(logPath)
    {
        log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        record("start", QString::number(QCoreApplication::applicationPid()));
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { record("quit", {}); });
        for (const char *scheme : schemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        connect(&ticker, &QTimer::timeout, this, &Autopilot::tick);
        ticker.start(20);
    }

    // Qt warns of a handler destroyed while registered, and will stop putting up with it.
    ~Autopilot() override
    {
        for (const char *scheme : schemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

public slots:
    void open(const QUrl &url) { record("open", url.toString()); }

private:
    void record(const char *kind, const QString &what)
    {
        log.write(kind + ('\t' + QString(what).replace('\n', "\\n")).toUtf8() + '\n');
    }

    static QDialog *wizard()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->inherits("DuskmereWizard"))
                return static_cast<QDialog *>(widget);
        return nullptr;
    }

    static QAbstractButton *button(const QList<QAbstractButton *> &buttons, const QString &text)
    {
        for (QAbstractButton *button : buttons)
            if (button->isVisible() && button->isEnabled() && button->text().remove('&') == text)
                return button;
        return nullptr;
    }

    void tick()
    {
        if (steps.isEmpty())
            return ticker.stop();
        // Actions may open a modal box: they run from the event loop, so the ticker keeps going.
        const std::function<void()> action = next(steps.first());
        if (!action)
            return; // not possible yet; try again at the next tick
        record("step", steps.takeFirst());
        QTimer::singleShot(0, this, action);
    }

    std::function<void()> next(const QString &step)
    {
        const QString verb = step.section(':', 0, 0);
        const QString arg = step.section(':', 1);
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (verb == "answer" && box && box->isVisible()) {
            record("box", box->windowTitle() + '\t' + box->text());
            if (QAbstractButton *answer = button(box->buttons(), arg))
                return [answer] { answer->click(); };
        }
        QDialog *dialog = wizard();
        if (box || !dialog)
            return {}; // a box nobody expected: wait, the step after it will say so
        if (verb == "click") {
            if (QAbstractButton *pressed = button(dialog->findChildren<QAbstractButton *>(), arg))
                return [pressed] { pressed->click(); };
        } else if (verb == "key") {
            return [dialog] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(dialog, &press);
            };
        } else if (verb == "close") {
            return [dialog] { dialog->close(); };
        }
        return {};
    }

    QStringList steps;
    QFile log;
    QTimer ticker;
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
        const QString steps = qEnvironmentVariable("DUSKMERE_AUTOPILOT");
        qputenv("DUSKMERE_AUTOPILOT", qgetenv("DUSKMERE_AUTOPILOT_NEXT"));
        qunsetenv("DUSKMERE_AUTOPILOT_NEXT");
        return new Autopilot(steps.split(';', Qt::SkipEmptyParts),
                             qEnvironmentVariable("DUSKMERE_AUTOPILOT_LOG"));
    }
};

} // namespace

#include "Autopilot.moc"
