#include "AccessibleText.h"

#include "platform/accessibility/Announcement.h"

#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

QString AccessibleText::plain(const QString &richText)
{
    return QTextDocumentFragment::fromHtml(richText).toPlainText().simplified();
}

void AccessibleText::describePage(QWidget *page, const QLabel *heading,
                                  const QList<const QLabel *> &body)
{
    QTextDocument document;
    document.setHtml(heading->text());
    QStringList description;
    for (QTextBlock block = document.firstBlock().next(); block.isValid(); block = block.next())
        description += block.text().simplified();
    for (const QLabel *label : body)
        description += plain(label->text());
    description.removeAll(QString());
    page->setAccessibleName(document.firstBlock().text().simplified());
    page->setAccessibleDescription(description.join(QLatin1Char(' ')));
}

void AccessibleText::describeChoices(const QLabel *question,
                                     const QList<QAbstractButton *> &choices)
{
    const QString text = plain(question->text());
    for (QAbstractButton *choice : choices)
        choice->setAccessibleDescription(text);
}

void AccessibleText::focusWithOutcome(QWidget *target, const QString &outcome)
{
    target->setAccessibleDescription(outcome);
    target->setFocus(Qt::OtherFocusReason);
    Platform::announce(target, outcome);
}
