// Steam's text key-value reader: any bytes read as a tree within the bounds, or as nothing.
#include "FuzzSupport.h"
#include "platform/steam/SteamKeyValues.h"

namespace {
int depthOf(const Platform::SteamKeyValues::Node &node)
{
    int deepest = 0;
    for (const Platform::SteamKeyValues::Node &child : node.children) {
        FuzzSupport::check(child.isBlock || child.children.empty(), "a value with children");
        deepest = std::max(deepest, child.isBlock ? 1 + depthOf(child) : 0);
    }
    return deepest;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto parsed = Platform::SteamKeyValues::parse(bytes);
    const auto read = Platform::SteamKeyValues::read(FuzzSupport::writeScratch("file.vdf", bytes));
    FuzzSupport::check(parsed.has_value() == read.has_value(), "the file reads unlike its bytes");
    if (!parsed)
        return 0;
    FuzzSupport::check(!bytes.contains('\0'), "NUL bytes accepted");
    FuzzSupport::check(depthOf(*parsed) <= Platform::SteamKeyValues::MaxDepth,
                       "nested past the limit");
    // What the library lookup asks for.
    const Platform::SteamKeyValues::Node *list = parsed->child(QStringLiteral("libraryfolders"));
    if (list)
        for (const Platform::SteamKeyValues::Node &entry : list->children)
            (void)entry.string(QStringLiteral("path"));
    return 0;
}
