#pragma once

#include <QString>

// The line grammar of the text files in which Wine keeps its registry hives. Strings in them
// (key paths, value names, string data) are escaped the way Wine writes them.
namespace WineRegistryText {

struct Line
{
    const char *begin;
    const char *end; // without the line feed and one carriage return before it, as Wine reads
};

// Whether the line opens a key ("[Software\\Valve\\Steam] 1699999999"), well formed or not.
bool isKeyLine(const Line &line);

// The folded path of a key line; false when the line is no well-formed key line. `decoded`
// and `folded` are scratch strings whose capacity serves key after key.
bool keyOfLine(const Line &line, QString *decoded, QString *folded);

// Key paths compare without regard to letter case and to doubled, leading or trailing
// separators: both sides are folded into this form.
void foldKey(const QString &keyPath, QString *folded);
quint64 keyHash(const QString &folded);

// A value line: `"Name"=data` or `@=data` for the default value, with optional spaces around
// the equals sign. Gives the name and the start of the data. Binary data ("hex:01,02,\") goes
// on over lines that start with spaces and hex digits; they define nothing and are passed over.
bool parseValueLine(const Line &line, QString *name, const char **data);

// The text of plain ("..." or str:"...") and expandable (str(2):"...") strings; null for every
// other type, for multi-strings and for a string that lacks its closing quote.
QString stringData(const char *data, const char *end);

} // namespace WineRegistryText
