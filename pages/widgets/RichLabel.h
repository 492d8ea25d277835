#pragma once

class QLabel;
class QString;

// The pages' texts: word-wrapped rich text.
QLabel *richLabel(const QString &text);
