#pragma once

#include <QList>

class QAbstractButton;
class QLabel;
class QString;
class QWidget;

// What a screen reader says about the pages: their texts without markup, each page named by its
// heading and described by the rest of its text, and each group of choices by its question.
namespace AccessibleText {
// Rich text as it is spoken: markup gone, line breaks and runs of blanks one blank.
QString plain(const QString &richText);

// The heading's <h1> names the page; the line below it and the body labels describe it.
void describePage(QWidget *page, const QLabel *heading, const QList<const QLabel *> &body);

// The choices share no group box that could carry the question, so each choice carries it.
void describeChoices(const QLabel *question, const QList<QAbstractButton *> &choices);

// When a page's work is done: `target` (Continue) gets the focus, described by the outcome, so
// that the outcome is spoken as the focus arrives; announced too where Qt can.
void focusWithOutcome(QWidget *target, const QString &outcome);
} // namespace AccessibleText
