#include "RichLabel.h"

#include <QLabel>

QLabel *richLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    return label;
}
