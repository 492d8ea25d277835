#pragma once

#include <QString>

#include <functional>

// The line grammar of the text files in which Wine keeps its registry hives. Strings in them
// (key paths, value names, string data) are escaped the way Wine writes them.
namespace Platform::WineRegistryText {

struct Line
{
    const char *begin;
    const char *end; // without the line feed and one carriage return before it, as Wine reads
    bool cut = false; // the line went on past `end`: it was too long to be kept whole
};

// Whether the line opens a key ("[Software\\Valve\\Steam] 1699999999"), well formed or not.
bool isKeyLine(const Line &line);

// The folded path of a key line; false when the line is no well-formed key line. `decoded`
// and `folded` are scratch strings whose capacity serves key after key.
bool keyOfLine(const Line &line, QString *decoded, QString *folded);

// Key paths compare without regard to letter case and to doubled, leading or trailing
// separators: both sides are folded into this form.
void foldKey(const QString &keyPath, QString *folded);
// Seeded anew in every process, so that no file can be made whose keys all collide.
size_t keyHash(const QString &folded);

// A value line: `"Name"=data` or `@=data` for the default value, with optional spaces around
// the equals sign. Gives the name and the start of the data.
bool parseValueLine(const Line &line, QString *name, const char **data);

// Hands out the line after the last one read; false at the end of the key.
using NextLine = std::function<bool(Line *)>;

// The data of a value line as Windows' settings class gives it in text: plain ("..." or
// str:"...") and expandable (str(2):"...") strings as they are, strings saved as bytes
// (hex(1):, hex(2):, which installers write without the final NUL) up to their first NUL, and
// DWORD (dword:, hex(4):) and QWORD (hex(b):) values as decimal numbers. Null for every other
// type, for multi-strings and for damaged data. Binary data goes on over the lines that follow
// a trailing backslash: `more` is asked for them, so they are used up even when `wanted` is
// false and the data is only passed over.
QString valueText(const Line &line, const char *data, const NextLine &more, bool wanted = true);

} // namespace Platform::WineRegistryText
