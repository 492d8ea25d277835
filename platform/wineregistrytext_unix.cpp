#include "WineRegistryText.h"

#include <cstring>

using WineRegistryText::Line;

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

const char *skipSpace(const char *p, const char *end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char16_t controlEscape(char c)
{
    switch (c) {
    case 'a':
        return u'\a';
    case 'b':
        return u'\b';
    case 'e':
        return u'\x1b';
    case 'f':
        return u'\f';
    case 'n':
        return u'\n';
    case 'r':
        return u'\r';
    case 't':
        return u'\t';
    case 'v':
        return u'\v';
    default:
        return 0;
    }
}

// Appends raw bytes of the file, which Wine reads as UTF-8; nearly all of them are ASCII.
void appendRaw(QString *out, const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) {
            out->append(QString::fromUtf8(begin, end - begin));
            return;
        }
    }
    out->append(QLatin1String(begin, end));
}

// Decodes Wine's escaped text from `p` up to the unescaped `endChar`: raw bytes are UTF-8,
// "\xNNNN" (one to four hex digits) and "\NNN" (one to three octal digits) are UTF-16 code
// units (characters beyond the BMP come as two "\x" surrogates), "\n" and friends are control
// characters and any other escaped character stands for itself ("\\", "\"", "\]"). Returns the
// position after `endChar`, or nullptr when the line ends first. Wine reads lines as C strings,
// so a NUL byte ends the line as well.
const char *decode(const char *p, const char *end, char endChar, QString *out)
{
    const char *run = p; // start of the raw bytes not yet appended
    const auto flush = [&](const char *upTo) {
        if (upTo > run)
            appendRaw(out, run, upTo);
    };
    while (p < end && *p != endChar && *p != '\0') {
        if (*p != '\\') {
            ++p;
            continue;
        }
        flush(p);
        if (++p == end || *p == '\0')
            return nullptr;
        if (const char16_t control = controlEscape(*p)) {
            out->append(QChar(control));
            run = ++p;
        } else if (*p == 'x' && p + 1 < end && hexDigit(p[1]) >= 0) {
            ++p;
            char16_t unit = 0;
            for (int digits = 0; digits < 4 && p < end && hexDigit(*p) >= 0; ++digits)
                unit = char16_t(unit * 16 + hexDigit(*p++));
            out->append(QChar(unit));
            run = p;
        } else if (*p >= '0' && *p <= '7') {
            char16_t unit = 0;
            for (int digits = 0; digits < 3 && p < end && *p >= '0' && *p <= '7'; ++digits)
                unit = char16_t(unit * 8 + (*p++ - '0'));
            out->append(QChar(unit));
            run = p;
        } else {
            run = p++; // the escaped character itself, even when it is `endChar`
        }
    }
    if (p == end || *p != endChar)
        return nullptr;
    flush(p);
    return p + 1;
}

bool startsWith(const char *p, const char *end, const char *prefix)
{
    const size_t length = std::strlen(prefix);
    return size_t(end - p) >= length && std::memcmp(p, prefix, length) == 0;
}

} // namespace

bool WineRegistryText::isKeyLine(const Line &line)
{
    const char *p = skipSpace(line.begin, line.end);
    return p < line.end && *p == '[';
}

void WineRegistryText::foldKey(const QString &keyPath, QString *folded)
{
    folded->resize(keyPath.size());
    QChar *const begin = folded->data();
    QChar *out = begin;
    bool ascii = true;
    for (const QChar c : keyPath) {
        const char16_t unit = c.unicode();
        if (unit == u'\\') {
            if (out != begin && out[-1] != u'\\')
                *out++ = c;
        } else if (unit >= u'A' && unit <= u'Z') {
            *out++ = QChar(char16_t(unit + 32)); // nearly every key is ASCII: spare the tables
        } else {
            ascii = ascii && unit < 0x80;
            *out++ = c;
        }
    }
    if (out != begin && out[-1] == u'\\')
        --out;
    folded->truncate(out - begin);
    if (!ascii)
        *folded = folded->toCaseFolded();
}

// FNV-1a over the UTF-16 units of a folded key path.
quint64 WineRegistryText::keyHash(const QString &folded)
{
    quint64 hash = 14695981039346656037ULL;
    for (const QChar c : folded) {
        hash ^= c.unicode();
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool WineRegistryText::keyOfLine(const Line &line, QString *decoded, QString *folded)
{
    const char *p = skipSpace(line.begin, line.end);
    if (p == line.end || *p != '[')
        return false;
    decoded->resize(0); // keeps the capacity
    if (!decode(p + 1, line.end, ']', decoded))
        return false;
    foldKey(*decoded, folded);
    return true;
}

bool WineRegistryText::parseValueLine(const Line &line, QString *name, const char **data)
{
    const char *p = skipSpace(line.begin, line.end);
    if (p == line.end)
        return false;
    if (*p == '@')
        ++p;
    else if (*p != '"' || !(p = decode(p + 1, line.end, '"', name)))
        return false;
    p = skipSpace(p, line.end);
    if (p == line.end || *p != '=')
        return false;
    *data = skipSpace(p + 1, line.end);
    return true;
}

QString WineRegistryText::stringData(const char *data, const char *end)
{
    for (const char *tag : {"\"", "str:\"", "str(2):\""}) {
        if (!startsWith(data, end, tag))
            continue;
        QString text(QLatin1String("")); // an empty string value is found, not missing
        return decode(data + std::strlen(tag), end, '"', &text) ? text : QString();
    }
    return QString();
}
