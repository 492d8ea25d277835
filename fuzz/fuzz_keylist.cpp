// The key list reader and the split of its lines into key path and value name.
#include "FuzzSupport.h"
#include "pages/gather/KeyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = FuzzSupport::writeScratch("ut3.keys", bytes);
    const QStringList lines =
        KeyList::read(path, FuzzSupport::scratchPath("no built-in list here"));
    FuzzSupport::check(lines.size() <= bytes.count('\n') + 1, "more lines than the file has");
    qsizetype characters = 0;
    for (const QString &line : lines) {
        FuzzSupport::check(!line.isEmpty() && line == line.trimmed(), "a line is not trimmed");
        FuzzSupport::check(!line.contains(QLatin1Char('\n')), "a line holds a line feed");
        characters += line.size();
        const KeyList::Entry entry = KeyList::split(line);
        const bool hasBackslash = line.contains(QLatin1Char('\\'));
        FuzzSupport::check(hasBackslash
                               ? entry.keyPath + QLatin1Char('\\') + entry.valueName == line
                               : entry.keyPath == line && entry.valueName == line,
                           "the split loses or adds characters");
        FuzzSupport::check(!entry.valueName.contains(QLatin1Char('\\')) || !hasBackslash,
                           "the value name holds a backslash");
    }
    FuzzSupport::check(characters <= bytes.size(), "more characters than bytes");
    return 0;
}
