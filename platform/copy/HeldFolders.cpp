#include "HeldFolders.h"

#include <utility>

Platform::HeldFolder::HeldFolder(HeldFolder &&other) noexcept
    : owner(std::exchange(other.owner, nullptr))
    , name(std::move(other.name))
    , native(std::exchange(other.native, -1))
{ }

Platform::HeldFolder &Platform::HeldFolder::operator=(HeldFolder &&other) noexcept
{
    if (this != &other) {
        drop();
        owner = std::exchange(other.owner, nullptr);
        name = std::move(other.name);
        native = std::exchange(other.native, -1);
    }
    return *this;
}

std::pair<QString, QString> Platform::HeldFolders::folderAndName(const QString &relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QString(), relative};
    return {relative.left(slash), relative.mid(slash + 1)};
}
